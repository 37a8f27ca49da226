#include "platform/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace glyphon::platform {

std::string SystemReason(int error) {
  return std::generic_category().message(error);
}

Result<ByteString> ReadFileBytes(const std::filesystem::path& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec))
    return Result<ByteString>::Failure("it is a folder, not a file");
  std::ifstream in(path, std::ios::binary);
  if (!in) return Result<ByteString>::Failure(SystemReason(errno));
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) {
    // A pipe or another stream without a length: read it to its end.
    in.clear();
    ByteString bytes;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
      bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    }
    if (in.bad()) return Result<ByteString>::Failure("read failed: " + SystemReason(errno));
    return bytes;
  }
  in.seekg(0, std::ios::beg);
  ByteString bytes(static_cast<std::size_t>(size), 0);
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    return Result<ByteString>::Failure("read failed: " + SystemReason(errno));
  }
  return bytes;
}

Status WriteFileAtomic(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  const std::filesystem::path folder =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::random_device random;
  std::string tempName = path.filename().string();
  tempName.insert(0, 1, '.');
  tempName.append(".tmp").append(std::to_string(random() % 1000000u));
  const std::filesystem::path temp = folder / tempName;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return Status::Failure(SystemReason(errno));
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      const int error = errno;
      out.close();
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      return Status::Failure("write failed: " + SystemReason(error));
    }
  }
  std::error_code ec;
  // A replaced file keeps its permissions.
  const auto old = std::filesystem::status(path, ec);
  if (!ec && std::filesystem::exists(old)) std::filesystem::permissions(temp, old.permissions(), ec);
  ec.clear();
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    return Status::Failure(ec.message());
  }
  return Status::Success();
}

}  // namespace glyphon::platform
