// The main window's control numbers. Every layer addresses controls by them, and the search moves the
// two bars while it runs, so they live where the search may include them.
#pragma once

#include <cstdint>

enum Control : int32_t {
    BtnAddFolder = 0,
    LblAllFiles = 1,
    LstAllFiles = 2,
    LblGroups = 3,
    LstGroups = 4,
    LblMembers = 5,
    LstMembers = 6,
    BtnDeleteMarked = 7,
    BtnReset = 8,
    BtnSearch = 9,
    BtnDeleteAll = 10,
    BarOverall = 100,
    BarFile = 101,
};
