// Reads a whole file into one block of exactly its size, for uploads that
// must go out byte for byte as stored on disk.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace halvoran {

// Reads the regular file at path into data (size bytes, one block, one copy).
// Fails, leaving data empty and size 0, when the file is missing, unreadable,
// not a regular file, larger than 4 GiB - 1, changes size while being read, or
// is held open for writing by any process (its content may still be changing).
bool ReadFileBlock(const std::string& path, std::unique_ptr<uint8_t[]>& data, uint32_t& size);

}  // namespace halvoran
