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
    case Kind::Text:
      if (!text_) return text.Append("null");
      return text.Append("\"%s\"", text_);
    case Kind::Buffer:
      return text.Append("0x%08lx", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(text_)));
    case Kind::Number: return text.Append("%d", number_);
    case Kind::Code: {
      const char c = static_cast<char>(number_);  // the low 8 bits, as GetFolder reads them
      return text.Append("%d \"%.*s\"", number_, 1, &c);
    }
    case Kind::Context:  // its directories are shown where a macro reads them, not here
      if (!context_) return text.Append("null");
      return text.Append("0x%08lx",
                         static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(context_)));
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
    log_ = &own_;
    CallLine(args);
  }
  SetLastError(last_error);
}

Trace::Trace(Trace& caller, const char* name, std::initializer_list<TraceArg> args)
    : log_(caller.log_), name_(name) {
  const DWORD last_error = GetLastError();
  CallLine(args);
  SetLastError(last_error);
}

void Trace::CallLine(std::initializer_list<TraceArg> args) {
  if (!*this) return;
  TraceText text;
  Begin(text, "> ");
  text.Append("%s(", name_);
  const char* separator = "";
  for (const TraceArg& arg : args) {
    text.Append("%s", separator);
    arg.Show(text);
    separator = ", ";
  }
  text.Append(")");
  Write(text);
}

Trace::~Trace() {
  if (!*this) return;
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
  if (log_ == &own_ && *this) Close();
  SetLastError(last_error);
}

Trace::Burst::Burst(Trace& trace) : trace_(trace) {
  if (trace_) ++trace_.log_->bursts;
}

Trace::Burst::~Burst() {
  if (!trace_) return;
  if (--trace_.log_->bursts == 0) trace_.Release();
}

int Trace::Return(int result, const char* output) {
  result_ = result;
  output_ = output;
  returned_ = true;
  return result;
}

void Trace::EmitStep(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  Line("  ", nullptr, format, args);
  va_end(args);
}

void Trace::EmitStep(CallError error, const char* format, ...) {
  TraceError line_error(error);
  std::va_list args;
  va_start(args, format);
  Line("  ", &line_error, format, args);
  va_end(args);
}

void Trace::EmitStep(LastError error, const char* format, ...) {
  TraceError line_error(error);
  std::va_list args;
  va_start(args, format);
  Line("  ", &line_error, format, args);
  va_end(args);
}

void Trace::EmitRefusal(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  Line("! ", nullptr, format, args);
  va_end(args);
}

void Trace::EmitRefusal(CallError error, const char* format, ...) {
  TraceError line_error(error);
  std::va_list args;
  va_start(args, format);
  Line("! ", &line_error, format, args);
  va_end(args);
}

void Trace::EmitRefusal(LastError error, const char* format, ...) {
  TraceError line_error(error);
  std::va_list args;
  va_start(args, format);
  Line("! ", &line_error, format, args);
  va_end(args);
}

// With the trace off, a line ends here, before any platform call.
void Trace::Line(const char* marker, TraceError* error, const char* format, std::va_list args) {
  if (!*this) return;
  const DWORD last_error = GetLastError();  // before anything of the line's own can change it
  if (error && error->last) error->code = last_error;
  TraceText text;
  Begin(text, marker);
  text.Format(format, args);
  // Small codes are the platform's error numbers; large ones (HRESULTs) read better in hex.
  if (error) {
    if (error->code > 0xFFFF) {
      text.Append(" (%s: error 0x%08lx)", error->function, error->code);
    } else {
      text.Append(" (%s: error %lu)", error->function, error->code);
    }
  }
  Write(text);
  SetLastError(last_error);
}

// The log that the variable names, if it is a disk file that opens for appending, and its lock.
// A name that does not fit 260 characters, or names a device, opens nothing. No box comes up
// for a missing disk.
bool Trace::Open() {
  PathStr path;
  const auto read = [](char* to, unsigned room) {
    return GetEnvironmentVariableA(kTraceVariable, to, room);
  };
  if (!FillSized(path, read) || NamesDevice(path.c_str())) return false;
  {
    // Windows 9x knows neither the append right nor shared deletion: there the file opens
    // for writing, and each line goes to its end (Write).
    const bool nt = !OnWindows9x();
    const QuietErrorMode quiet;
    own_.file.reset(CreateFileA(path.c_str(), nt ? FILE_APPEND_DATA : GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | (nt ? FILE_SHARE_DELETE : 0),
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  BY_HANDLE_FILE_INFORMATION identity;
  if (own_.file && GetFileType(own_.file.get()) == FILE_TYPE_DISK &&
      GetFileInformationByHandle(own_.file.get(), &identity)) {
    TraceText name;
    name.Append("%s%08lx.%08lx%08lx", kTraceLockPrefix, identity.dwVolumeSerialNumber,
                identity.nFileIndexHigh, identity.nFileIndexLow);
    own_.lock.reset(CreateMutexA(nullptr, FALSE, name.text()));
  }
  if (!own_.lock) own_.file.reset();
  return static_cast<bool>(own_.file);
}

void Trace::Close() {
  Release();
  log_->file.reset();
  log_->lock.reset();
}

// Takes the log's lock with what is left of the call's wait.
bool Trace::Acquire() {
  Log& log = *log_;
  const DWORD left = log.waited < kTraceLockMillis ? kTraceLockMillis - log.waited : 0;
  const DWORD start = GetTickCount();
  const DWORD waited = WaitForSingleObject(log.lock.get(), left);
  const DWORD now = GetTickCount();
  log.waited += now - start;
  // An abandoned lock is owned all the same: its owner ended between two lines.
  log.held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  log.held_since = now;
  return log.held;
}

void Trace::Release() {
  if (!log_ || !log_->held) return;
  ReleaseMutex(log_->lock.get());
  log_->held = false;
}

void Trace::Write(TraceText& text) {
  std::size_t size = 0;
  const char* line = text.Finish(&size);
  if (!log_->held && !Acquire()) return Close();  // the rest would wait as long and fail as well
  DWORD bytes = 0;
  if (OnWindows9x()) SetFilePointer(log_->file.get(), 0, nullptr, FILE_END);  // opened to write
  if (!WriteFile(log_->file.get(), line, static_cast<DWORD>(size), &bytes, nullptr) ||
      bytes != size) {
    return Close();
  }
  if (log_->bursts == 0 || GetTickCount() - log_->held_since >= kTraceBurstMillis) Release();
}

}  // namespace qnd
