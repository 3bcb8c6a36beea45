// The main window's control numbers, its size and the program's fixed texts.
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

constexpr int32_t MAIN_WINDOW = 0;
constexpr int32_t MAIN_WIDTH = 600;
constexpr int32_t MAIN_HEIGHT = 300;

// UTF-8, the code page of every build (on Windows through the programs' manifest).
inline constexpr const char* TEXT_TITLE = "Zwillingsfeger";
inline constexpr const char* TEXT_ADD_FOLDER = "Pfad hinzufügen";
inline constexpr const char* TEXT_CHOOSE_FOLDER = "Pfad hinzufügen...";
inline constexpr const char* TEXT_ALL_FILES = "Alle Dateien";
inline constexpr const char* TEXT_RESET = "Zurücksetzen";
inline constexpr const char* TEXT_SEARCH = "Doppelte Dateien suchen";
inline constexpr const char* TEXT_GROUPS = "Dateien mit gleichem Inhalt";
inline constexpr const char* TEXT_MEMBERS = "Doppelte Dateien:";
inline constexpr const char* TEXT_DELETE_MARKED = "Lösche markierte Datei";
inline constexpr const char* TEXT_DELETE_ALL = "Lösche alle Dateien (mit Original)";
inline constexpr const char* TEXT_NO_GROUPS = "(keine doppelten Dateien)";
inline constexpr const char* TEXT_ERROR_TITLE = "ERROR";
inline constexpr const char* TEXT_DELETE_FAILED_BEFORE = "Konnte Datei \"";
inline constexpr const char* TEXT_DELETE_FAILED_AFTER = "\" nicht löschen!";
inline constexpr const char* TEXT_CHANGED = "Die Datei oder ihre Kopie wurde seit der Suche verändert.";
// A file set aside for its deletion whose name another file took meanwhile stays under its hidden name.
inline constexpr const char* TEXT_LEFT_AT_BEFORE =
    "Ihr Name ist inzwischen vergeben; sie liegt jetzt unter \"";
inline constexpr const char* TEXT_LEFT_AT_AFTER = "\".";
inline constexpr const char* TEXT_CREDITS_TITLE = "Credits";
inline constexpr const char* TEXT_CREDITS = ".-´¯`- Zwillingsfeger -´¯`-.\n"
                                            "\n"
                                            "`-._.-     by Marlbeck    -._.-´";
