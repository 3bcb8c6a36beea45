// The main window's size and the program's fixed texts; the control numbers come from core.
#pragma once

#include "core/controls.h"

#include <cstdint>

constexpr int32_t MAIN_WINDOW = 0;
constexpr int32_t MAIN_WIDTH = 600;
constexpr int32_t MAIN_HEIGHT = 300;

// The sources are UTF-8; the Windows build turns these into the bytes of code page 1252.
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
inline constexpr const char* TEXT_CREDITS_TITLE = "Credits";
inline constexpr const char* TEXT_CREDITS = ".-´¯`- Zwillingsfeger -´¯`-.\n"
                                            "\n"
                                            "`-._.-     by Marlbeck    -._.-´";
