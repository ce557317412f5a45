// The console streams, where Linux and Windows differ.
#pragma once

// Unbuffered standard output on a console, so that every prompt is on the
// screen before its answer is read; 512-byte blocks otherwise. Standard
// error is never buffered.
void set_up_console_streams();
