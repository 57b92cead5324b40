// The program's own routines for cutting texts between markers and for turning texts
// into lists and back. Positions are byte positions from 1, and -1 means "not found".
#pragma once

#include "runtime/text.h"

namespace clocktool {

// The text in front of marker. start 0 or 1 searches forward from the first byte, a
// larger start from that byte on. A negative start searches backward: -1 finds the last
// occurrence in the whole text, -n (n >= 2) leaves the last n bytes out of the search.
// Empty when the marker is not found or stands at byte 1.
Text TextBefore(const Text& text, const Text& marker, int start = 0, bool caseInsensitive = false);

// The text between the first leftMarker at or after start and the first rightMarker
// after it; empty when either is missing. In both markers "#引号" stands for a quote mark.
Text TextBetween(const Text& text, const Text& leftMarker, const Text& rightMarker, int start = 0,
                 bool caseInsensitive = false);

// Splits text at separator (bySeparator true) or into characters (false), drops every
// item equal to an earlier one (byte for byte, case counts) and joins the rest with
// separator, in their order. A trailing separator makes no empty item.
Text JoinUnique(const Text& text, const Text& separator, bool bySeparator);

// Overwrites characters with the characters of text, two-byte characters (lead byte
// above 0x80) and CR LF kept whole, a last byte always alone; returns their number.
int SplitCharacters(const Text& text, TextArray& characters);

// The index of the first member equal to text, or -1.
int FindInTextArray(const TextArray& array, const Text& text);

}  // namespace clocktool
