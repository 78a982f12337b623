// The file calls on Windows: handles, reads at an OVERLAPPED offset, CREATE_NEW. Windows has
// no unnamed files, no copy inside the system that reads by position, and no signals that end
// the program from outside: those calls say so, and the program takes the plainer way.
#include "archive/files/files.h"

#include <cstdio>
#include <cstring>
#include <windows.h>

bool UsesWindowsFileNames() {
    return true;
}

static HANDLE AsHandle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

// The answer of a call that fails with FALSE and leaves its code for GetLastError.
static bool Answered(BOOL succeeded, int *error) {
    if (!succeeded)
        *error = static_cast<int>(GetLastError());
    return succeeded;
}

// ReadFile and WriteFile take a 32-bit count: a larger length goes in parts of 1 GiB.
static DWORD PartOf(size_t left) {
    return left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
}

// No FILE_SHARE_DELETE: while the archive is read, nothing can rename over it or remove it.
// Only a disk file is kept open, so that no read can wait on a pipe or a device.
bool OpenFileToRead(const char *path, FileHandle *file, int *error) {
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    *file = reinterpret_cast<FileHandle>(handle);
    if (!Answered(handle != INVALID_HANDLE_VALUE, error))
        return false;
    if (GetFileType(handle) == FILE_TYPE_DISK)
        return true;
    CloseHandle(handle);
    *error = kErrorNotRegularFile;
    return false;
}

// OpenFileToRead kept the file only if it is a disk file, the one kind that can be read by
// position (a pipe or a device would ignore the offset; a folder cannot be opened for reading).
bool RegularFileVersion(FileHandle file, FileVersion *version, int *error) {
    LARGE_INTEGER bytes;
    FILE_BASIC_INFO times;
    if (!Answered(
            GetFileSizeEx(AsHandle(file), &bytes) &&
                GetFileInformationByHandleEx(AsHandle(file), FileBasicInfo, &times, sizeof times),
            error))
        return false;
    *version = FileVersion{bytes.QuadPart, times.LastWriteTime.QuadPart, times.ChangeTime.QuadPart};
    return true;
}

// Only an open tells whether a file may be read.
bool ReadableFileVersion(const char *path, FileVersion *version, int *error) {
    FileHandle file;
    if (!OpenFileToRead(path, &file, error))
        return false;
    bool regular = RegularFileVersion(file, version, error);
    int closing = 0;
    CloseFile(file, &closing);
    return regular;
}

int64_t ReadFileAt(FileHandle file, void *buffer, size_t length, int64_t position, int *error) {
    size_t total = 0;
    while (total < length) {
        OVERLAPPED at = {};
        uint64_t from = static_cast<uint64_t>(position) + total;
        at.Offset = static_cast<DWORD>(from);
        at.OffsetHigh = static_cast<DWORD>(from >> 32);
        DWORD got = 0;
        if (!ReadFile(AsHandle(file), static_cast<char *>(buffer) + total, PartOf(length - total),
                      &got, &at)) {
            DWORD failure = GetLastError();
            if (failure == ERROR_HANDLE_EOF)
                break;
            *error = static_cast<int>(failure);
            return -1;
        }
        if (got == 0)
            break;
        total += got;
    }
    return static_cast<int64_t>(total);
}

bool NameExists(const char *name) {
    return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
}

// A name's component holds 255 characters at most (MAX_PATH's).
bool FolderTakesName(const char *folder, const char *name, int *error) {
    DWORD attributes = GetFileAttributesA(folder);
    if (!Answered(attributes != INVALID_FILE_ATTRIBUTES, error))
        return false;
    *error = !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_DIRECTORY
             : name[0] == '\0'                        ? ERROR_INVALID_NAME
             : strlen(name) > 255                     ? ERROR_FILENAME_EXCED_RANGE
                                                      : 0;
    return *error == 0;
}

// Shared for deletion only, so that an interrupted run can remove the file while it is still
// being written (interrupt_windows.cpp).
bool CreateNewFile(const char *name, FileHandle *file, int *error) {
    HANDLE handle = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    *file = reinterpret_cast<FileHandle>(handle);
    return Answered(handle != INVALID_HANDLE_VALUE, error);
}

int64_t CopyFileData(FileHandle, int64_t, FileHandle, size_t) {
    return -1;
}

bool CreateUnnamedFile(const char *, FileHandle *) {
    return false;
}

bool NameUnnamedFile(FileHandle, const char *, int *error) {
    *error = ERROR_NOT_SUPPORTED;
    return false;
}

bool IsAlreadyExistsError(int error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

bool WriteFileData(FileHandle file, const void *data, size_t length, size_t *written, int *error) {
    *written = 0;
    while (*written < length) {
        DWORD put = 0;
        if (!WriteFile(AsHandle(file), static_cast<const char *>(data) + *written,
                       PartOf(length - *written), &put, nullptr)) {
            *written += put;
            *error = static_cast<int>(GetLastError());
            return false;
        }
        if (put == 0) {
            *error = ERROR_WRITE_FAULT;
            return false;
        }
        *written += put;
    }
    return true;
}

bool CloseFile(FileHandle file, int *error) {
    return Answered(CloseHandle(AsHandle(file)), error);
}

// How many names the file has, or 0 when that cannot be told; links are not followed.
static DWORD CountNames(const char *name) {
    HANDLE handle = CreateFileA(name, FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION information;
    bool told = handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &information);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return told ? information.nNumberOfLinks : 0;
}

// Windows does not replace a read-only file (Wine does): its attribute is cleared for the
// move, and put back when the move fails all the same. The attribute belongs to the file, not
// the name: a file with other names (hard links, which live on after the move) keeps it, and
// the entry is reported instead. The file that takes the name is new, with a new file's
// attributes, as on POSIX.
bool ReplaceWithFile(const char *from, const char *to, int *error) {
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING))
        return true;
    *error = static_cast<int>(GetLastError());
    DWORD attributes = GetFileAttributesA(to);
    if (*error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_READONLY) || CountNames(to) != 1 ||
        !SetFileAttributesA(to, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)))
        return false;
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING))
        return true;
    *error = static_cast<int>(GetLastError());
    SetFileAttributesA(to, attributes);
    return false;
}

bool CanMoveToNewName() {
    return true;
}

// Without MOVEFILE_REPLACE_EXISTING, a move fails on anything that exists under the name, on
// FAT and exFAT as on NTFS.
bool MoveToNewName(const char *from, const char *to, int *error) {
    return Answered(MoveFileExA(from, to, 0), error);
}

bool RemoveFile(const char *name, int *error) {
    return Answered(DeleteFileA(name), error);
}

static HANDLE StandardHandle(StandardStream stream) {
    return GetStdHandle(stream == kStandardInput    ? STD_INPUT_HANDLE
                        : stream == kStandardOutput ? STD_OUTPUT_HANDLE
                                                    : STD_ERROR_HANDLE);
}

bool IsTerminal(StandardStream stream) {
    DWORD mode;
    return GetConsoleMode(StandardHandle(stream), &mode) != 0;
}

// The most text converted for the console at once: a whole line of the program's, the longest
// of which is a report's (report.cpp). A longer line, which the program never writes, is cut
// there, maybe inside a character.
enum : size_t { kConsolePieceBytes = 8192 };

// The text up to the end of its first line, at most kConsolePieceBytes.
static size_t ConsolePiece(const char *data, size_t length) {
    size_t limit = length < kConsolePieceBytes ? length : kConsolePieceBytes;
    const void *lineEnd = memchr(data, '\n', limit);
    return lineEnd != nullptr ? static_cast<const char *>(lineEnd) - data + 1 : limit;
}

// A console draws text in its own code page (the OEM one), names are in the ANSI one: each line
// goes as UTF-16, converted from the ANSI code page, so that the console shows the letters of the
// names the files have, and its "\n" as CR LF, as the C runtime's text mode wrote it.
static bool WriteToConsole(HANDLE console, const char *data, size_t length, size_t *written,
                           int *error) {
    *written = 0;
    while (*written < length) {
        size_t piece = ConsolePiece(data + *written, length - *written);
        WCHAR text[kConsolePieceBytes + 1];
        int count = MultiByteToWideChar(CP_ACP, 0, data + *written, static_cast<int>(piece), text,
                                        kConsolePieceBytes);
        if (count > 0 && text[count - 1] == L'\n') {
            text[count - 1] = L'\r';
            text[count++] = L'\n';
        }
        for (int at = 0; at < count;) {
            DWORD put = 0;
            if (!WriteConsoleW(console, text + at, static_cast<DWORD>(count - at), &put, nullptr) ||
                put == 0) {
                *error = static_cast<int>(GetLastError());
                return false;
            }
            at += static_cast<int>(put);
        }
        *written += piece;
    }
    return true;
}

// Elsewhere through the C runtime, whose text mode writes "\n" as CR LF. Its error flag is what
// tells: it may leave a failed write's result, and errno, as if it had succeeded.
bool WriteStandardStream(StandardStream stream, const char *data, size_t length, size_t *written,
                         int *error) {
    if (IsTerminal(stream))
        return WriteToConsole(StandardHandle(stream), data, length, written, error);
    FILE *file = stream == kStandardOutput ? stdout : stderr;
    *written = fwrite(data, 1, length, file);
    if (fflush(file) == 0 && !ferror(file))
        return true;
    *error = static_cast<int>(GetLastError());
    return false;
}

// What MultiByteToWideChar makes of each byte alone: a control (C0, DEL, C1) or not; a first
// byte of two in a double-byte code page (Japanese, Chinese, Korean) is no character alone.
bool DescribeNameCodePage(NameByte bytes[256]) {
    if (GetACP() == CP_UTF8)
        return false;
    for (unsigned value = 0; value < 256; ++value) {
        char byte = static_cast<char>(value);
        WCHAR character = 0;
        bool converted = MultiByteToWideChar(CP_ACP, 0, &byte, 1, &character, 1) == 1;
        bool control = converted && (character < 0x20 || (character >= 0x7F && character <= 0x9F));
        bytes[value] = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(value)) ? kByteFirstOfTwo
                       : control                                          ? kByteControl
                                                                          : kByteCharacter;
    }
    return true;
}

unsigned long CurrentProcessNumber() {
    return GetCurrentProcessId();
}

// The system's message, without the line break and full stop it ends in.
const char *DescribeFileError(int error) {
    static char text[256];
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(error), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                       sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == ' ' || text[length - 1] == '.'))
        --length;
    if (length == 0)
        snprintf(text, sizeof text, "system error %d", error);
    else
        text[length] = '\0';
    return text;
}
