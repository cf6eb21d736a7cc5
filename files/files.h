// Image files and the base folder for the programs of the host's kind (morfel, the studio, the
// Python module): the public face of files/.
#ifndef MORFEL_FILES_FILES_H
#define MORFEL_FILES_FILES_H

#include <cstdint>
#include <string>
#include <vector>

// The base folder every program of the host's kind shares (morfel, the
// studio): where it is, the starter library that seeds a new one, and the
// program text files read into it.

// One program of the starter library, or its stencil image.
struct StarterFile {
  const char* name;
  const unsigned char* data;
  unsigned long size;
};
// The embedded starter library: program files ("*.txt") and BMP images.
const std::vector<StarterFile>& StarterFiles();

// The folder with a separator at its end, as the plug-in expects it.
std::string WithSeparator(const std::string& folder);
// Joins the data folder "Tarvo" and a file name to the base folder.
std::string DataFile(const std::string& baseFolder, const std::string& fileName);

// Makes sure the base folder and its data folder exist and that a library is
// there: when none is, writes the starter library and its images. False with
// a reason.
bool PrepareBaseFolder(const std::string& baseFolder, std::string* error);

// Reads a whole text file (a regular file only). False with a
// reason.
bool ReadTextFile(const std::string& path, std::string* text, std::string* error);
// Gives every line break the CR LF form the editor's boxes hold.
std::string WithCrLf(const std::string& text);

// Image files for the programs of the host's kind (morfel, the studio):
// decoding PNG, JPEG, WebP, TIFF, BMP, TGA
// and GIF into the plug-in's plane layout, and encoding the result.
//
// Layout: `bgr` holds width x height pixels of 3 bytes (blue, green, red),
// rows packed top row first, exactly as the plug-in's row callbacks exchange
// them; `t` holds one transparency byte per pixel (alpha; 255 is opaque).
//
// Contracts
// - Reading refuses an image whose header claims more pixels than the limit
//   before anything of its size is allocated, and a file that holds fewer
//   bytes than its header claims before it is decoded, where the format
//   tells; the planes are reserved untouched and filled as rows arrive.
//   Running out of memory is an error with a reason, never an abort.
// - Every input becomes 8-bit RGB plus T; a JPEG comes out upright by its
//   EXIF orientation. What was lost on the way is listed in `notes`.
// - Reading takes no more of a file or of standard input than an image of
//   the pixel limit can need, and stops a stream that starts like no image
//   (see input_file.h).
// - Writing refuses a size the format cannot store before anything is
//   written. It never leaves a partial file: the bytes go to a temporary
//   file of a name of their own in the same folder, are flushed and synced,
//   and the file is renamed over the output only once it is complete (see
//   output_file.h).

struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bgr;
  std::vector<uint8_t> t;
  std::vector<uint8_t> icc;  // the colour profile of the file, carried to the output
};

// The plug-in sizes its planes with signed 32-bit byte counts, so the RGB
// plane of a picture must stay below 2^31 bytes.
constexpr int64_t kMaxPicturePixels = (int64_t{1} << 31) / 3 - 1;
// The default limit of a file's pixel count (16384 x 16384).
constexpr int64_t kDefaultMaxPixels = int64_t{1} << 28;

// Every format, one row: its name in code, its display name, its extensions
// (the first is the one to suggest), whether it stores alpha, its codec
// (codec_<codec>.cpp defines <Codec>Codec(): signature, decoder, encoder and
// writer limits, for each build) and its help line. A new format is its
// codec file and its row here.
#define MORFEL_IMAGE_FORMATS(X)                                                                \
  X(kPng, "PNG", "png", true, Png, "lossless, with transparency and colour profile")           \
  X(kJpeg, "JPEG", "jpg jpeg jpe jfif", false, Jpeg,                                           \
    "lossy, with colour profile, no transparency; read upright by its EXIF orientation")       \
  X(kWebp, "WebP", "webp", true, Webp, "lossy or lossless, with transparency")                 \
  X(kTiff, "TIFF", "tif tiff", true, Tiff, "lossless, with transparency and colour profile")   \
  X(kBmp, "BMP", "bmp dib", true, Bmp, "uncompressed, with transparency")                      \
  X(kTga, "TGA", "tga", true, Tga, "uncompressed, with transparency; known by its name alone") \
  X(kGif, "GIF", "gif", true, Gif, "its first frame, with its transparent colour")

enum class ImageFormat {
  kUnknown,
#define MORFEL_FORMAT_ENUM(format, name, extensions, alpha, codec, help) format,
  MORFEL_IMAGE_FORMATS(MORFEL_FORMAT_ENUM)
#undef MORFEL_FORMAT_ENUM
};

// The format a file name's extension or a --format word names, kUnknown for
// none.
ImageFormat FormatByName(const std::string& pathOrWord);
// The format's display name ("PNG") and its usual extension ("png").
const char* FormatName(ImageFormat format);
std::string FormatExtension(ImageFormat format);
// Whether this build writes the format; with the reason when not.
bool CanWrite(ImageFormat format, std::string* reason);
// Whether the format can store a picture of the size, with alpha or
// without. False with the reason.
bool FitsFormat(ImageFormat format, int64_t width, int64_t height, bool alpha, std::string* reason);
// The formats this build writes, as a list for messages: "png, jpg, ...".
std::string WritableExtensions();
// One line per format this build reads: "PNG (.png): its help line", with
// "; read only" for a format it cannot write.
std::string FormatsHelp();

struct ReadSettings {
  int64_t maxPixels = kDefaultMaxPixels;
  // How the user raises the limit (morfel names its option), added to a
  // refusal; "" adds nothing.
  std::string limitOption;
};

struct WriteSettings {
  int quality = 92;       // JPEG and lossy WebP, 1 to 100
  int compression = 1;    // PNG and TIFF: 0 stores, 1 fastest, 9 smallest
  bool lossless = false;  // WebP
};

// Remarks about an input or an output that are worth a line on standard
// error but are no failure: reduced samples, a dropped T plane.
struct ImageNotes {
  std::vector<std::string> lines;
};

// Decodes a whole image file held in memory; `name` is used in messages.
// False with a reason in `error`.
bool DecodePicture(const std::string& name, const std::vector<uint8_t>& file,
                   const ReadSettings& settings, Picture* picture, ImageNotes* notes,
                   std::string* error);
// Encodes the picture in the format. Alpha is written only when some T byte
// is not 255 and the format carries alpha (a note says when it cannot).
bool EncodePicture(const std::string& name, ImageFormat format, const Picture& picture,
                   const WriteSettings& settings, std::vector<uint8_t>* file, ImageNotes* notes,
                   std::string* error);

// A file by path, or standard input and output for "-". False with
// a reason in `error`.
bool ReadPicture(const std::string& path, Picture* picture, std::string* error,
                 const ReadSettings& settings = ReadSettings(), ImageNotes* notes = nullptr);
// Whether the file name's extension names a format this build writes.
bool OutputFormatKnown(const std::string& path);
// Writes by the extension of `path`, or in `format` when it is given.
bool WritePicture(const std::string& path, const Picture& picture, std::string* error,
                  ImageFormat format = ImageFormat::kUnknown,
                  const WriteSettings& settings = WriteSettings(), ImageNotes* notes = nullptr);

// Ctrl-C and SIGTERM: the files and folders the morfel host made for the
// moment (an ad-hoc program's temporary base folder, a ".part" output) are
// removed and the process exits with 130 or 143, as shells expect.
//
// Contracts
// - WatchInterrupts is called once, first thing in main, before any other
//   thread exists: the signals are then taken by one watching thread, never
//   in the middle of the work, and the cleanup runs with ordinary calls.
// - A path is registered while it exists and unregistered once it is gone
//   or has become the user's file.

void WatchInterrupts();

// --timeout: once `seconds` have passed, says `message` on standard error,
// removes what is registered, as an interrupt does, and exits with 1. Set
// once, after WatchInterrupts; it covers the rest of the command.
void StopAfter(double seconds, const std::string& message);

// A write to a pipe whose reader has gone: removes what is registered and
// ends the process as the closed pipe ends any writer, quietly (on POSIX by
// SIGPIPE, even where it was ignored).
[[noreturn]] void EndAsClosedPipe();

// Removes the path (a folder with everything in it) on an interrupt while
// the guard lives and is not released.
class InterruptCleanup {
 public:
  explicit InterruptCleanup(const std::string& path);
  ~InterruptCleanup();
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

 private:
  std::string path_;
};

// Program files as morfel reads them (--file) and prints them (show
// --as-file): the keys "Group", "Name", "Init" and "Prog" at the top level,
// line breaks inside a text written as backslash-n.

// A program given on the command line rather than taken from the library.
struct AdHocProgram {
  std::string group = "Command line";
  std::string name = "Program";
  std::string initText;
  std::string transformText;
};

// Reads a program file as the library's import does, plus what the import
// passes over in silence: every line that is none of the four keys (most
// often a text's second line, written without its backslash-n) and a
// missing Transform text come back as warnings. A UTF-8 byte-order mark at
// the start is skipped. False with a reason.
bool ReadProgramFile(const std::string& path, AdHocProgram* program,
                     std::vector<std::string>* warnings, std::string* error);

// The program file that ReadProgramFile and the import read back to these
// texts (which hold CR LF line breaks), with LF line ends.
std::string ProgramFileText(const std::string& group, const std::string& name,
                            const std::string& initText, const std::string& transformText);

// The folders an ad-hoc run makes for itself in the system's temporary
// folder, "morfel-XXXXXX". A run killed outright cannot remove its own, so
// each is held by a lock for as long as its run lives, and the next run
// removes those whose lock nobody holds any more.
//
// Contracts
// - The lock file ".morfel-run.lock" appears in a folder only once it is
//   locked, so a folder with a free lock is never one a live run is making.
// - Only folders of this user with that lock file are ever removed; a
//   folder of the name without it (someone else's, an older morfel's) stays.

class RunFolder {
 public:
  RunFolder() = default;
  ~RunFolder();  // lets the lock go; the folder is its owner's to remove
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;
  // Makes and locks a new folder. Returns its path, or "" when none could
  // be made.
  std::string Create();

 private:
  intptr_t lock_ = -1;
};

// Removes the run folders of runs that are gone.
void RemoveStaleRunFolders();

#endif
