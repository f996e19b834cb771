#include "app/core/PictureList.h"

#include "app/core/WindowLanguage.h"

#include "Tessel/Exif.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

namespace Fotarium::Core {

namespace {

// ---------------------------------------------------------------------------------------------
// The header check runs libjpeg over a source that reads the file in small pieces on demand,
// so only the bytes in front of the first scan are read; segments libjpeg skips are skipped
// with a seek. At the end of the file it behaves like libjpeg's memory source (a fake EOI and
// a warning), so the answer is the one a check of the whole file in memory gives.
//
// libjpeg reports fatal errors through error_exit, which longjmps back into the guarded
// function below; everything it touches is a plain struct, so the jump skips no destructor.

constexpr std::size_t ReadChunkSize = 4096;
constexpr long MaxHeaderCodecMemory = 64L * 1024 * 1024;

struct THeaderCheckJob {
  jpeg_decompress_struct Info;
  jpeg_error_mgr Error;
  std::jmp_buf Jump;
  jpeg_source_mgr Source;
  int Fd;
  std::uint64_t BytesRead;
  JOCTET Buffer[ReadChunkSize];
};

THeaderCheckJob* JobOf(j_decompress_ptr info) {
  // The source manager is a member of the job; recover the job from the client data.
  return static_cast<THeaderCheckJob*>(info->client_data);
}

void ErrorExit(j_common_ptr info) {
  auto* job = static_cast<THeaderCheckJob*>(info->client_data);
  std::longjmp(job->Jump, 1);
}

void EmitMessage(j_common_ptr /*info*/, int /*level*/) {}
void OutputMessage(j_common_ptr /*info*/) {}

void InitSource(j_decompress_ptr /*info*/) {}

boolean FillInputBuffer(j_decompress_ptr info) {
  THeaderCheckJob* job = JobOf(info);
  ssize_t count;
  do {
    count = ::read(job->Fd, job->Buffer, sizeof job->Buffer);
  } while (count < 0 && errno == EINTR);
  if (count < 0)
    ERREXIT(info, JERR_FILE_READ);
  if (count == 0) {
    WARNMS(info, JWRN_JPEG_EOF);
    job->Buffer[0] = 0xFF;
    job->Buffer[1] = JPEG_EOI;
    count = 2;
  } else {
    job->BytesRead += static_cast<std::uint64_t>(count);
  }
  job->Source.next_input_byte = job->Buffer;
  job->Source.bytes_in_buffer = static_cast<std::size_t>(count);
  return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
  if (count <= 0)
    return;
  THeaderCheckJob* job = JobOf(info);
  const auto wanted = static_cast<unsigned long>(count);
  if (wanted <= job->Source.bytes_in_buffer) {
    job->Source.next_input_byte += wanted;
    job->Source.bytes_in_buffer -= wanted;
    return;
  }
  const auto beyond = static_cast<off_t>(wanted - job->Source.bytes_in_buffer);
  job->Source.bytes_in_buffer = 0;
  // A seek past the end is fine: the next read then meets the end of the file.
  if (::lseek(job->Fd, beyond, SEEK_CUR) < 0)
    ERREXIT(info, JERR_FILE_READ);
}

void TermSource(j_decompress_ptr /*info*/) {}

// 0: the headers parsed; 1: libjpeg raised an error.
int GuardedReadHeader(THeaderCheckJob* job) {
  if (setjmp(job->Jump) != 0)
    return 1;
  jpeg_create_decompress(&job->Info);
  job->Info.client_data = job;
  job->Info.mem->max_memory_to_use = MaxHeaderCodecMemory;
  job->Info.src = &job->Source;
  jpeg_read_header(&job->Info, TRUE);
  return 0;
}

class TFileHandle {
public:
  explicit TFileHandle(int fd) : FFd(fd) {}
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  ~TFileHandle() {
    if (FFd >= 0)
      ::close(FFd);
  }
  [[nodiscard]] int Get() const { return FFd; }

private:
  int FFd;
};

// The header check over a file already open: fd must be a regular file of the given size.
// The file's read position is left where the check stopped.
TJpegFileCheck CheckOpenJpegFile(int fd, off_t size) {
  TJpegFileCheck result;
  if (size == 0) {
    // An empty picture loads nothing and raises nothing.
    result.IsJpeg = true;
    return result;
  }
  auto job = std::make_unique<THeaderCheckJob>();
  jpeg_std_error(&job->Error);
  job->Error.error_exit = ErrorExit;
  job->Error.emit_message = EmitMessage;
  job->Error.output_message = OutputMessage;
  job->Info.err = &job->Error;
  job->Info.client_data = job.get();
  job->Source.init_source = InitSource;
  job->Source.fill_input_buffer = FillInputBuffer;
  job->Source.skip_input_data = SkipInputData;
  job->Source.resync_to_restart = jpeg_resync_to_restart;
  job->Source.term_source = TermSource;
  job->Fd = fd;
  job->BytesRead = 0;
  result.IsJpeg = GuardedReadHeader(job.get()) == 0;
  jpeg_destroy_decompress(&job->Info);
  result.BytesRead = job->BytesRead;
  return result;
}

// Opens a file for the check: -1 unless it is a regular file. Non-blocking, so that a named
// pipe cannot stall the open; it is refused anyway, since only regular files hold pictures.
int OpenRegularFile(const std::string& path, off_t& size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    return -1;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return -1;
  }
  size = status.st_size;
  return fd;
}

} // namespace

TJpegFileCheck CheckJpegFile(const std::string& path) {
  off_t size = 0;
  const TFileHandle file(OpenRegularFile(path, size));
  if (file.Get() < 0)
    return {};
  return CheckOpenJpegFile(file.Get(), size);
}

bool IsJpegFile(const std::string& path) { return CheckJpegFile(path).IsJpeg; }

std::optional<Platform::TDateTime> ReadCaptureTimeKey(const std::string& path) {
  Platform::TFileStream stream(path, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  return ReadCaptureTimeKey(stream);
}

std::optional<Platform::TDateTime> ReadCaptureTimeKey(Platform::TStream& stream) {
  Tessel::Exif::TExifData data;
  if (!data.LoadFromGraphic(stream))
    return std::nullopt;
  return data.DateTime().Value();
}

int CompareCaptureTimes(Platform::TDateTime a, Platform::TDateTime b) {
  if (a < b)
    return -1;
  if (a > b)
    return 1;
  return 0;
}

void SortByCaptureTime(std::vector<TPictureEntry>& entries) {
  // std::sort needs a strict weak order; a key that is not a number would break it, so such a
  // key counts as the lowest of all (like a missing one).
  const auto key = [](const TPictureEntry& entry) {
    return std::isnan(entry.CaptureTimeKey) ? -HUGE_VAL : entry.CaptureTimeKey;
  };
  std::sort(entries.begin(), entries.end(),
            [&](const TPictureEntry& a, const TPictureEntry& b) { return CompareCaptureTimes(key(a), key(b)) < 0; });
}

bool PathTextLess(const std::string& a, const std::string& b) {
  // std::string compares as unsigned bytes (char_traits<char>::compare uses memcmp order).
  return a < b;
}

std::size_t SortedInsertIndex(const std::vector<TPictureEntry>& entries, const std::string& text) {
  const auto at =
      std::upper_bound(entries.begin(), entries.end(), text,
                       [](const std::string& t, const TPictureEntry& e) { return PathTextLess(t, e.Text); });
  return static_cast<std::size_t>(at - entries.begin());
}

void SortByName(std::vector<TPictureEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const TPictureEntry& a, const TPictureEntry& b) { return PathTextLess(a.Text, b.Text); });
}

TListedFile ListFile(const std::string& path) {
  TListedFile result;
  try {
    result.Path = path;
    // One open serves the header check and the metadata read.
    off_t size = 0;
    const int fd = OpenRegularFile(path, size);
    if (fd < 0) {
      result.Kind = TListedFile::TKind::NotJpeg;
      return result;
    }
    std::optional<Platform::TFileStream> stream;
    try {
      stream.emplace(fd, path);
    } catch (...) {
      ::close(fd);
      throw;
    }
    if (!CheckOpenJpegFile(fd, size).IsJpeg) {
      result.Kind = TListedFile::TKind::NotJpeg;
      return result;
    }
    const std::optional<Platform::TDateTime> key = ReadCaptureTimeKey(*stream);
    if (key) {
      result.Kind = TListedFile::TKind::Added;
      result.Key = *key;
    } else {
      result.Kind = TListedFile::TKind::NotRecognised;
    }
  } catch (const std::bad_alloc&) {
    result.Kind = TListedFile::TKind::Failed;
    result.Error = Tr("PictureList", "Zu wenig Arbeitsspeicher");
  } catch (const std::exception& error) {
    result.Kind = TListedFile::TKind::Failed;
    result.Error = ErrorText(error);
  } catch (...) {
    result.Kind = TListedFile::TKind::Failed;
    result.Error = FormatText(Tr("PictureList", "Unbekannter Fehler beim Lesen von %1"), {path});
  }
  return result;
}

std::string NotJpegMessage(const std::string& path) {
  return FormatText(Tr("PictureList", "%1 ist keine JPG-Datei!"), {path});
}

} // namespace Fotarium::Core
