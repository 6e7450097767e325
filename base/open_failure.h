// Why a file could not be opened, in the words a user can act on.
#pragma once

#include <string>

// "PATH: the system's reason" (e.g. "/home/x/chgt.cfg: No such file or directory"), found by
// trying to open the file for reading now; "PATH" alone when it opens after all.
std::string DescribeOpenFailure(const std::string& path);
