// Comment removal and trimming for the configuration store's small text
// files (path.dat, servertitle.dat, bind.dat, subdomains.dat).
//
// StripConfigComment, in this order:
//  1. "#" ends the line (the rest is cut and the line trimmed); "##" is an
//     escape: one "#" is removed, the other kept, and the search goes on
//     behind the kept one.
//  2. The same for the marker "// " (escape: the marker followed by "/").
//  3. "/*" through the first "*/" after it is removed and the line trimmed;
//     a "/*" without a closing "*/" runs to the end of the line.
// A line without any marker comes back unchanged (not trimmed).
#pragma once

#include <string>
#include <vector>

namespace serverconf {

std::string StripConfigComment(std::string line);

// Removes characters up to and including the blank (code <= 32) at both ends.
std::string TrimConfigText(const std::string& text);

// Splits a text into lines at "\n", each "\r\n" counting as one break. A
// last line without a break is a line; a text ending in a break has no
// empty line after it.
std::vector<std::string> SplitConfigLines(const std::string& text);

// Splits a ";"-separated list into its items, each trimmed and lower-cased
// (ASCII); empty items are dropped.
std::vector<std::string> SplitLowerListItems(const std::string& list);

}  // namespace serverconf
