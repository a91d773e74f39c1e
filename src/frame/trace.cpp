// The trace (trace.h): the log file, its lock, and the lines of an export's call.
#include "frame/trace.h"

#include "frame/files.h"
#include "frame/windows_family.h"

namespace qnd {

TraceArg TraceArg::Code(int code) {
  TraceArg arg(code);
  arg.kind_ = Kind::Code;
  return arg;
}

void TraceArg::Show(TraceText& text) const {
  switch (kind_) {
    case Kind::Text: return text.Append(text_ ? "\"%s\"" : "null", text_);
    case Kind::Buffer:
      return text.Append("0x%08lx", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(text_)));
    case Kind::Number: return text.Append("%d", number_);
    case Kind::Code: {
      const char c = static_cast<char>(number_);  // the low 8 bits, as GetFolder reads them
      return text.Append("%d \"%.*s\"", number_, 1, &c);
    }
    case Kind::Context:
      if (!context_) return text.Append("null");
      text.Append("{");
      TraceArg(context_->dir0).Show(text);
      text.Append(", ");
      TraceArg(context_->dir4).Show(text);
      return text.Append("}");
  }
}

namespace {

// The beginning of every line: local time to the millisecond, process and thread, `marker`.
void Begin(TraceText& text, const char* marker) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  text.Append("%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu:%lu] %s", t.wYear, t.wMonth, t.wDay, t.wHour,
              t.wMinute, t.wSecond, t.wMilliseconds, GetCurrentProcessId(), GetCurrentThreadId(),
              marker);
}

}  // namespace

Trace::Trace(const char* name, std::initializer_list<TraceArg> args) : name_(name) {
  const DWORD last_error = GetLastError();
  if (Open()) {
    TraceText text;
    Begin(text, "> ");
    text.Append("%s(", name);
    const char* separator = "";
    for (const TraceArg& arg : args) {
      text.Append("%s", separator);
      arg.Show(text);
      separator = ", ";
    }
    text.Append(")");
    Write(text);
  }
  SetLastError(last_error);
}

Trace::~Trace() {
  if (!file_) return;
  const DWORD last_error = GetLastError();
  TraceText text;
  Begin(text, "< ");
  if (!returned_) {
    text.Append("%s gave no result", name_);
  } else if (output_ && result_ == 1) {
    text.Append("%s = %d \"%.*s\"", name_, result_, static_cast<int>(kPathChars), output_);
  } else {
    text.Append("%s = %d", name_, result_);
  }
  Write(text);
  SetLastError(last_error);
}

int Trace::Return(int result, const char* output) {
  result_ = result;
  output_ = output;
  returned_ = true;
  return result;
}

void Trace::Step(const char* format, ...) {
  if (!file_) return;
  std::va_list args;
  va_start(args, format);
  Line("  ", nullptr, format, args);
  va_end(args);
}

void Trace::Step(TraceError error, const char* format, ...) {
  if (!file_) return;
  std::va_list args;
  va_start(args, format);
  Line("  ", &error, format, args);
  va_end(args);
}

void Trace::Refusal(const char* format, ...) {
  if (!file_) return;
  std::va_list args;
  va_start(args, format);
  Line("! ", nullptr, format, args);
  va_end(args);
}

void Trace::Refusal(TraceError error, const char* format, ...) {
  if (!file_) return;
  std::va_list args;
  va_start(args, format);
  Line("! ", &error, format, args);
  va_end(args);
}

void Trace::Line(const char* marker, TraceError* error, const char* format, std::va_list args) {
  const DWORD last_error = GetLastError();  // before anything of the line's own can change it
  if (error && error->last) error->code = last_error;
  TraceText text;
  Begin(text, marker);
  text.Format(format, args);
  // Small codes are the platform's error numbers; large ones (HRESULTs) read better in hex.
  if (error) {
    text.Append(error->code > 0xFFFF ? " (%s: error 0x%08lx)" : " (%s: error %lu)", error->function,
                error->code);
  }
  Write(text);
  SetLastError(last_error);
}

// The log that the variable names, if it is a disk file that opens for appending, and the lock.
// A name that does not fit 260 characters opens nothing. No box comes up for a missing disk.
bool Trace::Open() {
  PathStr path;
  const auto read = [](char* to, unsigned room) {
    return GetEnvironmentVariableA(kTraceVariable, to, room);
  };
  if (!FillSized(path, read)) return false;
  {
    // Windows 9x knows neither the append right nor shared deletion: there the file opens
    // for writing, and each line goes to its end (Write).
    const bool nt = !OnWindows9x();
    const QuietErrorMode quiet;
    file_.reset(CreateFileA(path.c_str(), nt ? FILE_APPEND_DATA : GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | (nt ? FILE_SHARE_DELETE : 0),
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  if (file_ && GetFileType(file_.get()) == FILE_TYPE_DISK) {
    lock_.reset(CreateMutexA(nullptr, FALSE, kTraceLock));
  }
  if (!lock_) Close();
  return static_cast<bool>(file_);
}

void Trace::Close() {
  file_.reset();
  lock_.reset();
}

void Trace::Write(TraceText& text) {
  std::size_t size = 0;
  const char* line = text.Finish(&size);
  const DWORD waited = WaitForSingleObject(lock_.get(), kTraceLockMillis);
  // An abandoned lock is owned all the same: its owner ended between two lines.
  bool written = false;
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    DWORD bytes = 0;
    if (OnWindows9x()) SetFilePointer(file_.get(), 0, nullptr, FILE_END);  // opened to write
    written =
        WriteFile(file_.get(), line, static_cast<DWORD>(size), &bytes, nullptr) && bytes == size;
    ReleaseMutex(lock_.get());
  }
  if (!written) Close();  // the rest of this call's trace would cost as much and fail as well
}

}  // namespace qnd
