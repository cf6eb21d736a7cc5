// Program library and settings: the sectioned key=value text documents, the
// library file, the settings file, parameter set files and the import of
// program files. Nothing here shows a window: every operation returns its
// result (and, where a user must be told something, a text to show).
//
// Contracts
// - Texts are 8-bit and NUL-terminated. Names, messages and parameter value
//   texts live in kNameTextSize (128) byte buffers, program texts in
//   kProgramTextSize (2048) byte buffers; every copy into them is bounded.
// - Multi-line texts use CR LF in memory. Files are written with CR LF on
//   every platform and read accepting CR LF or LF.
// - A stored value line is "key=" followed by the escaped value: every line
//   break (CR LF, LF or a lone CR) becomes backslash-"n", which reads back as
//   CR LF. A backslash is stored as it is, so a text holding a backslash
//   followed by "n" cannot be stored faithfully: it is refused, never
//   written (IsStorableText). No other escape can be added without changing
//   what existing files read as. Readers of the format accept lines of at
//   most kMaxStoredLine (2047) characters, so a program whose line would be
//   longer must not be saved (see CheckProgramTexts).
// - What is read is written back so that it reads the same: parse,
//   serialize and parse again give the same document.
// - Saving never loses the old file: the text goes to a temporary file of a
//   name no other writer uses, created new (never through an existing name
//   or link) in the target's folder, which replaces the old file only once
//   written and flushed whole. A failed save returns 0 and leaves the old
//   file as it was. A read-only target is not replaced. A target that is a
//   symbolic link stays one: the file it names is replaced.
// - One writer at a time: every save holds the lock of its file (a file
//   beside it, the target's name + ".lock") from before it reads what it
//   changes until the new file is in place, waiting at most kLockWaitSeconds
//   for another writer. The temporary files of writers that were killed are
//   removed by the next writer, under the lock. Reading takes no lock, so a
//   read-only folder still reads; it cannot be written.
// - Only regular files are read: a FIFO, a device or a folder is refused at
//   once, never waited on.
// - Files are read whole and lines are never split. Only parameter set
//   values are cut, to the 127 characters of a slot. A library file that was
//   not read whole (a malformed line, an unreadable file) is never written
//   over, so the programs that could not be read survive.
// - The library holds one section "Prog%03d" per program, numbered densely
//   from 0; readers stop at the first index without "Group". At most
//   kMaxPrograms (1000) programs.
#ifndef MORFEL_LIBRARY_LIBRARY_H
#define MORFEL_LIBRARY_LIBRARY_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "transform/transform.h"

class ValueList;

// ---------------------------------------------------------------- limits

constexpr int kProgramTextSize = 2048;  // 2047 characters + NUL
constexpr int kMaxStoredLine = 2047;    // longest line a reader accepts, LF excluded
constexpr int kMaxPrograms = 1000;
constexpr int kSectionNameSize = 8;  // "Prog%03d" + NUL
// The serialized library, with its terminating NUL, must fit this many bytes
// so that every reader of the format can take it in.
constexpr long kMaxLibraryBytes = 1048575;
constexpr long kMaxSettingsBytes = 65535;
constexpr int kPathBufferSize = 1024;
// How long a writer waits for another one to finish with a file.
constexpr double kLockWaitSeconds = 5.0;

// ---------------------------------------------------------------- records

// The main dialog's last choices; the parameter value texts live in the
// ParamSlots.
struct FilterSettings {
  int32_t GroupNo;  // position in the group list
  int32_t FuncNo;   // position among the programs of that group
  int32_t Interp;   // Interpolation, as stored
  int32_t Preview;  // 1 when "Auto Preview" is checked
};

// The texts of the chosen program, CR LF line breaks.
struct CurrentProgram {
  char initText[kProgramTextSize];
  char transformText[kProgramTextSize];
};

// ---------------------------------------------------------------- paths

// The platform's path separator, used to join the data folder and its files.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Writes baseFolder + "Tarvo" + separator + fileName into buffer. The base
// folder comes from the host and already ends with a separator. Returns the
// length written, or 0 (buffer emptied) when it doesn't fit in size bytes.
int DataPath(char* buffer, int size, const char* baseFolder, const char* fileName);
// baseFolder + "Morfel.dat". Returns the length, or 0 when it doesn't fit.
int SettingsPath(char* buffer, int size, const char* baseFolder);
// The library file "Morfel.ini" in the data folder. Length, or 0.
int LibraryPath(char* buffer, int size, const char* baseFolder);

// ---------------------------------------------------------------- documents

// A sectioned key=value document. The root holds keys set without a
// section and the sections (nested lists of keys), in first-set order.
class KeyValueDocument {
 public:
  KeyValueDocument();
  virtual ~KeyValueDocument();
  KeyValueDocument(const KeyValueDocument&) = delete;
  KeyValueDocument& operator=(const KeyValueDocument&) = delete;

  // Empties the document and reads text into it. Lines may be of any
  // length. Returns 0 when the whole text was read, otherwise the number
  // (from 1; empty lines not counted) of the malformed line that stopped it;
  // what came before that line stays in the document. A line holding a NUL
  // byte is malformed. Linear in the length of the text.
  int Parse(const char* text);
  int Parse(const char* text, size_t length);

  // Length of the serialized text, NUL excluded.
  size_t SerializedLength() const;
  // Writes the document as CR LF text into buffer, NUL-terminated. Returns
  // the length written, or -1 when it doesn't fit in size bytes or holds a
  // name or value that would read back differently (the buffer then holds
  // an empty text): a document is never written cut short or changed.
  long Serialize(char* buffer, size_t size) const;
  // The first name or value that would read back differently once written:
  // a value that is not IsStorableText, a key that is empty or holds "=" or
  // LF, a section name holding "[", "]", "=", CR or LF.
  // Returns 1 with *section (null: the root) and *key (null: the section's
  // own name) naming it; 0 when the whole document can be stored.
  int FindUnstorable(const char** section, const char** key) const;

  // The value of key in section (null: the root), or null when missing or
  // not a text. The pointer stays valid until that entry changes.
  const char* Get(const char* key, const char* section = nullptr) const;
  // Copies the value into destination, cut to destinationSize - 1
  // characters. Returns the full length of the stored value (a result of
  // destinationSize or more means it was cut), or -1 when it is missing
  // (destination then empty).
  int CopyValue(const char* key, const char* section, char* destination, int destinationSize) const;
  // Sets key in section (null: the root), appending the section when new.
  void Set(const char* key, const char* value, const char* section = nullptr);
  // Removes key; a section left empty is removed too. Missing is no error.
  int Remove(const char* key, const char* section = nullptr);

  const ValueList& root() const { return *root_; }

 private:
  ValueList* root_;
};

// Whether a value text reads back as it is once stored: false when it holds
// a backslash followed by "n", which the reader takes for a line break.
// Line breaks of any form are stored and read back as CR LF.
bool IsStorableText(const char* text);

// ---------------------------------------------------------------- library

// Writes "Prog%03d" for index 0..999 into name. Returns 1, or 0 (name
// emptied) when the index is outside that range.
int ProgramSectionName(int index, char name[kSectionNameSize]);

// The program library: one section per program with the keys "Group",
// "Name", "Init" and "Prog".
class ProgramLibrary : public KeyValueDocument {
 public:
  // Number of programs seen by readers: sections 0, 1, ... up to the first
  // one without "Group", at most kMaxPrograms.
  int ProgramCount() const;
  // Programs a hand-edited file holds beyond the kMaxPrograms shown
  // ("Prog1000", "Prog1001", ... up to the first without "Group"); they are
  // kept in the file but never shown, and the user should be told.
  int HiddenProgramCount() const;
  // A key ("Group", "Name", "Init", "Prog") of program index; null when
  // missing.
  const char* ProgramField(int index, const char* key) const;
  // Index of the first program from startIndex on with exactly this group
  // and name (a missing name reads as empty), or -1.
  int FindProgram(const char* group, const char* name, int startIndex = 0) const;
  // Replaces the texts of program index.
  void SetProgramTexts(int index, const char* initText, const char* transformText);
  // Appends a program after the last one. Returns its index, or -1 when the
  // library already holds kMaxPrograms programs.
  int AppendProgram(const char* group, const char* name, const char* initText,
                    const char* transformText);
  // Removes program index and moves all later ones down by one. Returns 1,
  // or 0 when there is no program at index.
  int CloseGap(int index);

  // Whether the library file on disk holds programs this library lacks:
  // the number of the malformed line at which LoadProgramLibrary stopped,
  // -1 when the file exists but could not be read, 0 when it was read whole (or not
  // loaded at all). SaveLibrary refuses to write over such a file, since
  // that would destroy the programs that could not be read.
  int incompleteLoad() const { return incompleteLoad_; }
  void SetIncompleteLoad(int line) { incompleteLoad_ = line; }

  // Keeps a refusal text that names this library's contents, for
  // LibrarySaveRefusal; valid until the next one.
  const char* RememberRefusal(const std::string& text) const {
    refusal_ = text;
    return refusal_.c_str();
  }

 private:
  int incompleteLoad_ = 0;
  mutable std::string refusal_;
};

// "The library holds N more program(s) than the 1000 that can be shown;
// they are not shown." into buffer. Returns its length, or 0 (buffer
// emptied) when every program is shown.
int FormatHiddenProgramsNotice(const ProgramLibrary& library, char* buffer, int size);

// What is wrong with a program's texts or names, with the text the user is
// shown; one list, so the outcomes and their messages stay in step.
#define MORFEL_PROGRAM_TEXT_CHECKS(X)                                                          \
  X(kProgramTextsFit, "")                                                                      \
  X(kInitTextTooLong,                                                                          \
    "The Initialize program is too long to be saved: it may hold at most 2042 characters, "    \
    "each line break counting as two.")                                                        \
  X(kTransformTextTooLong,                                                                     \
    "The Transform program is too long to be saved: it may hold at most 2042 characters, "     \
    "each line break counting as two.")                                                        \
  X(kInitTextTooLongToRun,                                                                     \
    "The Initialize program is longer than 2047 characters, the most a program may hold.")     \
  X(kTransformTextTooLongToRun,                                                                \
    "The Transform program is longer than 2047 characters, the most a program may hold.")      \
  X(kInitTextNotStorable,                                                                      \
    "The Initialize program holds a backslash followed by \"n\", which the library file "      \
    "would read back as a line break. Write it another way, for example a path with \"/\" in " \
    "place of \"\\\".")                                                                        \
  X(kTransformTextNotStorable,                                                                 \
    "The Transform program holds a backslash followed by \"n\", which the library file "       \
    "would read back as a line break. Write it another way, for example a path with \"/\" in " \
    "place of \"\\\".")                                                                        \
  X(kGroupNotStorable,                                                                         \
    "The group name holds a backslash followed by \"n\", which the library file would read "   \
    "back as a line break.")                                                                   \
  X(kNameNotStorable,                                                                          \
    "The program name holds a backslash followed by \"n\", which the library file would "      \
    "read back as a line break.")

enum ProgramTextCheck {
#define MORFEL_CHECK_ENUM(name, message) name,
  MORFEL_PROGRAM_TEXT_CHECKS(MORFEL_CHECK_ENUM)
#undef MORFEL_CHECK_ENUM
};
// Whether the texts can be saved: each fits a program buffer and a stored
// line ("Init=" or "Prog=" with the escaped text), and reads back as it is.
ProgramTextCheck CheckProgramTexts(const char* initText, const char* transformText);
// Whether group and name read back as they are once stored.
ProgramTextCheck CheckProgramNames(const char* group, const char* name);
// Whether the texts fit the program buffers the engine compiles from (at
// most kProgramTextSize - 1 characters each). Every way of running a program
// refuses one that does not, with this check's message, and never cuts it.
ProgramTextCheck CheckRunnableTexts(const char* initText, const char* transformText);
// A text for the user explaining a failed check; "" for kProgramTextsFit.
const char* ProgramTextCheckMessage(ProgramTextCheck check);

// ---------------------------------------------------------------- files

// Resets settings (all zero), the program texts (when program is not null)
// and the message, name and value texts of the twelve slots, then reads the
// settings file's section "Default". Returns 1 when read, 0 when the file
// could not be opened or read.
int LoadSettings(const char* baseFolder, FilterSettings* settings, CurrentProgram* program,
                 ParamSlot slots[kParamSlotCount]);
// Writes GroupNo, FuncNo, Interp (Bezier stored as Linear), Preview and the
// twelve value texts. Returns 1 when written, 0 otherwise; a value text that
// would read back changed (IsStorableText) is refused with the whole save,
// the old file kept.
int SaveSettings(const char* baseFolder, const FilterSettings& settings,
                 const ParamSlot slots[kParamSlotCount]);

// Reads the library file whole into library. Returns 1 when read, 0 when it
// could not be opened or read (library left untouched). When the file holds
// a malformed line, reading stops there and *stoppedAtLine (if given)
// receives its number, else 0. Either way short of a whole read or a missing
// file is remembered in library->incompleteLoad().
int LoadProgramLibrary(const char* baseFolder, ProgramLibrary* library,
                       int* stoppedAtLine = nullptr);
// Writes the library file. Returns 1 when written; 0 when the file could not
// be written, the library would exceed kMaxLibraryBytes, or the library was
// loaded incomplete (the old file is kept in every case). The whole file
// becomes this library: for a change to the library a user keeps, use
// UpdateLibrary, which applies it to what the file holds now.
int SaveLibrary(const char* baseFolder, const ProgramLibrary& library);
// Why SaveLibrary would refuse this library before writing anything, as a
// text for the user; null when it would try to write.
const char* LibrarySaveRefusal(const ProgramLibrary& library);

// ---------------------------------------------------------------- changing a file under its lock

// How a change to a file a user keeps ended.
enum class FileUpdateStatus : int32_t {
  kWritten,      // the file holds the change
  kUnchanged,    // the change left the file as it was: nothing written
  kLockBusy,     // another writer held the file longer than kLockWaitSeconds
  kCannotLock,   // the lock file could not be made (a read-only folder, a link in its place)
  kRefused,      // the file was not read whole, or the result could not be stored as it is
  kWriteFailed,  // the new file could not be written or put in place
};

struct FileUpdate {
  FileUpdateStatus status = FileUpdateStatus::kWriteFailed;
  // For the user, naming the file and what to do; empty when it succeeded.
  std::string message;
  bool Succeeded() const {
    return status == FileUpdateStatus::kWritten || status == FileUpdateStatus::kUnchanged;
  }
};

// What an edit did to the library it was handed.
enum class LibraryEdit : int32_t { kChanged, kUnchanged };
using LibraryEditor = std::function<LibraryEdit(ProgramLibrary& current)>;

// The one way to change the library file: under its lock, reads the file as
// it is now into *library (emptied first; a missing file reads as empty),
// lets edit apply its one change to it and writes the result. The edit runs
// at most once, under the lock, so it must not ask the user anything; it is
// not run when the lock cannot be had or the file cannot be read whole
// (kRefused, with LibrarySaveRefusal's text). On return *library holds what
// was read, with the edit applied when it ran: when written, what the file
// now holds.
FileUpdate UpdateLibrary(const char* baseFolder, const LibraryEditor& edit,
                         ProgramLibrary* library);

// SaveSettings with the outcome and its message. The file is this writer's
// whole: it is written under its lock as one piece.
FileUpdate StoreSettings(const char* baseFolder, const FilterSettings& settings,
                         const ParamSlot slots[kParamSlotCount]);

// ---------------------------------------------------------------- parameter sets

// The content of a parameter set file.
struct ParameterSet {
  char group[kNameTextSize];
  char name[kNameTextSize];
  char values[kParamSlotCount][kNameTextSize];
};

// Writes "#ver 0.07", group, name and the twelve values, CR LF after each.
// Returns 1 when written, 0 otherwise (an existing file is kept).
int WriteParameterSet(const char* path, const ParameterSet& set);
// WriteParameterSet with the outcome and its message (see StoreSettings).
FileUpdate StoreParameterSet(const char* path, const ParameterSet& set);
// Reads a parameter set file. Missing lines read as empty, long lines are
// cut to 127 characters. Returns 1 when read, 0 when it could not be opened.
int ReadParameterSet(const char* path, ParameterSet* set);
// Proposes a file name: programName with every character removed that is
// not an ASCII letter, digit or "-". Returns its length.
int ProposeParameterFileName(const char* programName, char* buffer, int size);

// ---------------------------------------------------------------- import

struct ImportCounters {
  int32_t added;
  int32_t overwritten;
};

enum ImportOutcome {
  kImportAdded = 0,
  kImportOverwritten = 1,
  kImportNoGroupOrName = 2,  // skipped silently
  kImportLibraryFull = 3,    // skipped silently
  kImportCannotOpen = 4,     // message: the file name
  kImportTextTooLong = 5,    // message: the file name and the reason
  kImportNotAFile = 6,       // a folder, FIFO or device; message: its name, skipped
};

// Reads the program file fileName from the data folder and merges it into
// library: a program with the same group and name gets the file's texts,
// any other is appended. Updates counters. For the three outcomes that the
// user should hear of, writes a text into message (else it is emptied).
ImportOutcome ImportProgramFile(const char* baseFolder, const char* fileName,
                                ProgramLibrary* library, ImportCounters* counters, char* message,
                                int messageSize);
// ImportProgramFile for a program file anywhere: path is read, shownName
// names it in the messages.
ImportOutcome ImportProgramFileAt(const char* path, const char* shownName, ProgramLibrary* library,
                                  ImportCounters* counters, char* message, int messageSize);
// "%d new program(s) are added. %d program(s) are overwritten." Returns the
// length written (cut to size - 1).
int FormatImportSummary(const ImportCounters& counters, char* buffer, int size);

#endif
