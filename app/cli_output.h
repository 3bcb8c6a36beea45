// What zwillingsfeger-cli prints: the groups in its three formats, names as a terminal should show them,
// the statistics and the omissions.
#pragma once

#include "app/cli_arguments.h"

#include <cstdio>
#include <string>

// Text for a terminal, as ls -b shows names: control characters (C0 and C1) and bytes that are no text
// of the system's encoding become escapes such as \n or \033, and a backslash \\, so that no name can
// move the cursor or recolour the screen.
std::string TerminalText(const std::string& name);
// Text as a JSON string literal; bytes that are not valid UTF-8 become U+FFFD and clear *Valid.
std::string JsonString(const std::string& text, bool* valid);
// One JSON object for a member: its path as UTF-8 text, and its exact bytes when they are not that text.
std::string JsonMember(const std::string& path);

// Prints the groups of GroupList in their order, each group's members as FullPath in member order.
// Escape shows text paths as a terminal should show them.
void WriteGroups(std::FILE* out, CliFormat format, bool escape);
// The last search's statistics, for --stats, with the wall time the scan and the search took.
void WriteStats(std::FILE* err, double scanSeconds, double searchSeconds);
// Names what the scans and the search left out, one line each, escaped when Escape; true when nothing was.
bool ReportOmissions(std::FILE* err, bool escape);
