#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/file_io.h"

namespace glyphon::platform {

namespace {

constexpr std::string_view kEmpty = "the file is empty";

Result<FileStamp> StampOfOpen(int descriptor) {
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) return Result<FileStamp>::Failure(SystemReason(errno));
  if (S_ISDIR(info.st_mode)) return Result<FileStamp>::Failure("it is a folder, not a file");
  if (!S_ISREG(info.st_mode)) return Result<FileStamp>::Failure("it is not a regular file");
  return StampFrom(info);
}

}  // namespace

Result<MappedFile> MappedFile::Open(const std::filesystem::path& path) {
  // Non-blocking, so that a FIFO is refused at once instead of waiting for a writer.
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) return Result<MappedFile>::Failure(SystemReason(errno));
  MappedFile file;
  file.m_path = path;
  file.m_descriptor = descriptor;
  if (Status mapped = file.Map(descriptor); !mapped) return Result<MappedFile>::Failure(mapped.error);
  return file;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : m_path(std::move(other.m_path)),
      m_descriptor(std::exchange(other.m_descriptor, -1)),
      m_data(std::exchange(other.m_data, nullptr)),
      m_stamp(std::exchange(other.m_stamp, {})) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Unmap();
    if (m_descriptor >= 0) ::close(m_descriptor);
    m_path = std::move(other.m_path);
    m_descriptor = std::exchange(other.m_descriptor, -1);
    m_data = std::exchange(other.m_data, nullptr);
    m_stamp = std::exchange(other.m_stamp, {});
  }
  return *this;
}

MappedFile::~MappedFile() {
  Unmap();
  if (m_descriptor >= 0) ::close(m_descriptor);
}

// Maps the whole of the open file as it is now; an empty file has nothing to map.
Status MappedFile::Map(int descriptor) {
  Unmap();
  Result<FileStamp> stamp = StampOfOpen(descriptor);
  if (!stamp) return Status::Failure(stamp.Error());
  if (stamp.Value().size == 0) return Status::Failure(std::string(kEmpty));
  void* address = ::mmap(nullptr, stamp.Value().size, PROT_READ, MAP_SHARED, descriptor, 0);
  if (address == MAP_FAILED) return Status::Failure(SystemReason(errno));
  m_data = static_cast<const std::uint8_t*>(address);
  m_stamp = stamp.Value();
  return Status::Success();
}

void MappedFile::Unmap() noexcept {
  if (m_data != nullptr) ::munmap(const_cast<std::uint8_t*>(m_data), m_stamp.size);
  m_data = nullptr;
  m_stamp = {};
}

Result<MappedFile::Change> MappedFile::Refresh() {
  // A new file under the name (an atomic rewrite renames one over it) is opened by name.
  Result<FileStamp> named = StampOf(m_path);
  if (!named) return m_data != nullptr ? Change::Vanished : Result<Change>::Failure(named.Error());
  if (named.Value().device != m_stamp.device || named.Value().inode != m_stamp.inode) {
    Result<MappedFile> reopened = Open(m_path);
    if (!reopened) return Result<Change>::Failure(reopened.Error());
    *this = std::move(reopened).Value();
    return Change::Remapped;
  }
  Result<FileStamp> now = StampOfOpen(m_descriptor);
  if (!now) return Result<Change>::Failure(now.Error());
  if (now.Value() == m_stamp) return Change::None;
  if (Status mapped = Map(m_descriptor); !mapped) return Result<Change>::Failure(mapped.error);
  return Change::Remapped;
}

}  // namespace glyphon::platform
