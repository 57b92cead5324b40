// Request header blocks: adding the default headers, normalising the header names and
// handing the block to the request object one header line at a time.
//
// A header block is a Text of lines separated by CR LF, each a name, a colon and a value.
#pragma once

#include "runtime/automation.h"
#include "runtime/text.h"

namespace clocktool {

// Appends each default header whose name does not occur anywhere in the block (ignoring
// case). Each line is appended with a leading CR LF. `method` is the corrected index.
void AddDefaultHeaders(Text& block, const Text& url, int method);

// The block with every header name's dash-separated words capitalised; lines without a
// colon (empty lines included) are dropped. Nothing is trimmed.
Text NormalizeHeaderNames(const Text& block);

// The text with its first byte upper-cased (ASCII letters only).
Text CapitalizeFirst(const Text& text);

// The trimmed text before / after the first colon of a line; empty without a colon.
Text HeaderNameOf(const Text& line);
Text HeaderValueOf(const Text& line);

// Calls SetRequestHeader on the request object once per line of the block, ignoring
// the outcome. Empty lines and an exact "Connection: keep-alive" line are skipped.
void SendHeaderBlock(ComObject& request, const Text& block);

}  // namespace clocktool
