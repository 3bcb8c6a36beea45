// What zwillingsfeger-cli prints: the groups in its three formats, names as a terminal should show them,
// the statistics and the omissions.
#pragma once

#include "app/cli_arguments.h"
#include "core/omissions.h"
#include "core/scan.h"
#include "core/search_stats.h"

#include <cstdio>
#include <string>
#include <vector>

// Text for a terminal, as ls -b shows names: control characters (C0 and C1) and bytes that are no text
// of the system's encoding become escapes such as \n or \033, and a backslash \\, so that no name can
// move the cursor or recolour the screen.
std::string TerminalText(const std::string& name);
// Text as a JSON string literal; bytes that are not valid UTF-8 become U+FFFD and clear *Valid.
std::string JsonString(const std::string& text, bool* valid);
// One JSON object for a member: its path as UTF-8 text, and its exact bytes when they are not that text.
std::string JsonMember(const std::string& path);

// Prints the groups of GroupList in their order, each group's members as FullPath in member order (JSON
// members with the size, device, inode and modification time the search saw, in the system's units).
// Escape shows text paths as a terminal should show them.
void WriteGroups(std::FILE* out, CliFormat format, bool escape);
// A search's statistics, for --stats, with what the scan's filters left out and the wall time the scan
// and the search took.
void WriteStats(std::FILE* err, const SearchStats& stats, const ScanResult& filtered, double scanSeconds,
                double searchSeconds);
// Names what was left out, one line each, escaped when Escape.
void ReportOmissions(std::FILE* err, const std::vector<Omission>& omissions, bool escape);
