// A private scratch directory for one fuzzing process.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

const std::string& FuzzDirectory();
void WriteBytes(const std::string& path, const uint8_t* data, size_t size);
