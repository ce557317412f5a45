// What work on a file came to, in the words that the command line and the
// page served to a browser both use: one line a fact, without the program's
// name before it and without a line end. A front end shows them its own way.
#pragma once

#include <string>
#include <vector>

#include "core/table_files.h"

// The lines for a result (none for DONE with nothing left behind), naming
// the file as `shown_name`, with the detail of a read where there is one.
// Names in them go through `show`, the front end's way of showing a name.
std::vector<std::string> describe_result(const FileResult& result, const char* typed, const TableRead* read,
                                         std::string (*show)(const char*));

// Why a file may not be a target (check_target), after "NAME: "; a text or
// a CSV in the command's own words, `text_refusal`. Empty for ALLOWED.
const char* describe_target(Target target, const char* text_refusal);
