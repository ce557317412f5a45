// The command edit: a file's table as a text in the user's own editor, and
// the entries the user changed written back, as crontab -e and visudo do.
#pragma once

#include "command_line/reporter.h"

Status edit(const char* name);
