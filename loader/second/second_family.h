// The load of a receiver of the second family ("TK20B").
#pragma once

#include <string>

struct LoadContext;
struct LoadTarget;

// Detects the receiver, prepares it at the fastest bit rate the port takes, waits while it
// erases, sends the file and tells the outcome in one message box.
void RunTk20bLoad(LoadContext& context, const LoadTarget& target, const std::string& kindText);
