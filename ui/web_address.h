#pragma once
#include <string>

bool IsWebAddress(const std::string& s);
// What the shell is given for an address: a bare "www." form gets "http://" in
// front, so the shell can never take it for a local file or program.
std::string AddressToOpen(const std::string& s);
