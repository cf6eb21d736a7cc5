// The image formats: names and extensions, recognizing a file by its first
// bytes, the codec of each, and decoding and encoding whole files with the
// notes a user should see.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <sstream>

#include "files/codecs.h"
#include "files/files.h"
#include "files/input_file.h"
#include "files/output_file.h"

namespace {

struct FormatRow {
  ImageFormat format;
  const char* name;
  const char* extensions;  // the first is the one to suggest
  bool alpha;
  Codec (*codec)();
  const char* help;
};

const FormatRow kFormats[] = {
#define MORFEL_FORMAT_ROW(format, name, extensions, alpha, codec, help) \
  {ImageFormat::format, name, extensions, alpha, codec##Codec, help},
    MORFEL_IMAGE_FORMATS(MORFEL_FORMAT_ROW)
#undef MORFEL_FORMAT_ROW
};

const FormatRow* RowOf(ImageFormat format) {
  for (const FormatRow& row : kFormats) {
    if (row.format == format) return &row;
  }
  return nullptr;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The format by the file's first bytes, else a format without a signature
// that the name gives.
ImageFormat Recognize(const Bytes& file, const std::string& name) {
  for (const FormatRow& row : kFormats) {
    Codec codec = row.codec();
    if (codec.recognize != nullptr && codec.recognize(file)) return row.format;
  }
  const FormatRow* named = RowOf(FormatByName(name));
  if (named != nullptr && named->codec().recognize == nullptr) return named->format;
  return ImageFormat::kUnknown;
}

std::string TraitsNote(const std::string& name, const SourceTraits& traits) {
  if (traits.bitsPerSample <= 8 && !traits.grey) return "";
  std::string kind = traits.bitsPerSample > 8 ? std::to_string(traits.bitsPerSample) + "-bit " : "";
  kind += traits.grey ? "grey" : "colour";
  return name + ": read as 8-bit RGB (the file has " + kind + " samples)";
}

bool HasTransparency(const Picture& picture) {
  return std::any_of(picture.t.begin(), picture.t.end(), [](uint8_t v) { return v != 255; });
}

// The most bytes a file of an image within the pixel limit can need:
// 16-bit RGBA samples stored uncompressed (8 bytes a pixel), an eighth more
// for row filters, strips and block framing, and 64 MB for colour profiles
// and other metadata. Anything larger is refused before it is read whole.
InputBound ImageFileBound(const ReadSettings& settings, const std::string& name) {
  const uint64_t pixels = static_cast<uint64_t>(std::min(settings.maxPixels, kMaxPicturePixels));
  InputBound bound;
  bound.maxBytes = pixels * 9 + (uint64_t{64} << 20);
  bound.tooLarge = "larger than any image of at most " + std::to_string(settings.maxPixels) +
                   " pixels can be (" + std::to_string(bound.maxBytes) + " bytes)";
  if (!settings.limitOption.empty())
    bound.tooLarge += "; " + settings.limitOption + " raises the limit";
  // A stream that starts like no image ends at once, not at the bound.
  bound.startBytes = 16;
  bound.acceptsStart = [name](const Bytes& start, std::string* reason) {
    if (Recognize(start, name) != ImageFormat::kUnknown) return true;
    *reason = "not an image in a known format";
    return false;
  };
  return bound;
}

void AddNote(ImageNotes* notes, const std::string& line) {
  if (notes != nullptr && !line.empty()) notes->lines.push_back(line);
}

}  // namespace

bool StartsWith(const Bytes& file, const char* magic, size_t at) {
  size_t length = std::strlen(magic);
  return file.size() >= at + length && std::memcmp(file.data() + at, magic, length) == 0;
}

Codec CodecFor(ImageFormat format) {
  const FormatRow* row = RowOf(format);
  return row != nullptr ? row->codec() : Codec();
}

ImageFormat FormatByName(const std::string& pathOrWord) {
  size_t dot = pathOrWord.find_last_of('.');
  size_t slash = pathOrWord.find_last_of("/\\");
  std::string word = pathOrWord;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    word = pathOrWord.substr(dot + 1);
  } else if (slash != std::string::npos) {
    return ImageFormat::kUnknown;
  }
  word = Lower(word);
  for (const FormatRow& row : kFormats) {
    std::istringstream extensions(row.extensions);
    std::string extension;
    while (extensions >> extension) {
      if (extension == word) return row.format;
    }
  }
  return ImageFormat::kUnknown;
}

const char* FormatName(ImageFormat format) {
  const FormatRow* row = RowOf(format);
  return row != nullptr ? row->name : "unknown";
}

std::string FormatExtension(ImageFormat format) {
  const FormatRow* row = RowOf(format);
  if (row == nullptr) return "";
  return std::string(row->extensions, std::strcspn(row->extensions, " "));
}

bool CanWrite(ImageFormat format, std::string* reason) {
  if (format == ImageFormat::kUnknown) {
    *reason = "use a file name ending in ." + WritableExtensions();
    return false;
  }
  if (CodecFor(format).encode == nullptr) {
    *reason = std::string("this build cannot write ") + FormatName(format) + " files";
    return false;
  }
  return true;
}

std::string WritableExtensions() {
  std::string list;
  for (const FormatRow& row : kFormats) {
    if (CodecFor(row.format).encode == nullptr) continue;
    list += (list.empty() ? "" : ", .") + FormatExtension(row.format);
  }
  return list;
}

std::string FormatsHelp() {
  std::string text;
  for (const FormatRow& row : kFormats) {
    Codec codec = row.codec();
    if (codec.decode == nullptr) continue;
    text += std::string(row.name) + " (." + FormatExtension(row.format) + "): " + row.help;
    text += codec.encode == nullptr ? "; read only\n" : "\n";
  }
  return text;
}

bool DecodePicture(const std::string& name, const Bytes& file, const ReadSettings& settings,
                   Picture* picture, ImageNotes* notes, std::string* error) {
  ImageFormat format = Recognize(file, name);
  Codec codec = CodecFor(format);
  if (codec.decode == nullptr) {
    *error = format == ImageFormat::kUnknown
                 ? "cannot read " + name + ": not an image in a known format"
                 : "cannot read " + name + ": this build cannot read " + FormatName(format);
    return false;
  }
  SourceTraits traits;
  std::string reason;
  bool ok = false;
  try {
    ok = codec.decode(file, settings, picture, &traits, &reason);
    if (ok) OrientPicture(picture, traits.orientation);
  } catch (const std::bad_alloc&) {
    reason = "not enough memory for a " + std::to_string(picture->width) + " x " +
             std::to_string(picture->height) + " image";
    ok = false;
  }
  if (!ok) {
    *picture = Picture();
    *error = "cannot read " + name + ": " + reason;
    return false;
  }
  AddNote(notes, TraitsNote(name, traits));
  return true;
}

bool EncodePicture(const std::string& name, ImageFormat format, const Picture& picture,
                   const WriteSettings& settings, Bytes* file, ImageNotes* notes,
                   std::string* error) {
  std::string reason;
  if (!CanWrite(format, &reason)) {
    *error = "cannot write " + name + ": " + reason;
    return false;
  }
  bool transparent = HasTransparency(picture);
  bool alpha = transparent && RowOf(format)->alpha;
  if (transparent && !alpha) {
    AddNote(notes,
            name + ": " + FormatName(format) + " has no transparency; the T plane is dropped");
  }
  if (!FitsFormat(format, picture.width, picture.height, alpha, &reason)) {
    *error = "cannot write " + name + ": " + reason;
    return false;
  }
  bool ok = false;
  try {
    ok = CodecFor(format).encode(picture, alpha, settings, file, &reason);
  } catch (const std::bad_alloc&) {
    reason = "not enough memory";
  }
  if (!ok) *error = "cannot write " + name + ": " + reason;
  return ok;
}

bool ReadPicture(const std::string& path, Picture* picture, std::string* error,
                 const ReadSettings& settings, ImageNotes* notes) {
  Bytes file;
  if (!ReadInputFile(path, ImageFileBound(settings, path), &file, error)) return false;
  return DecodePicture(path == "-" ? "standard input" : path, file, settings, picture, notes,
                       error);
}

bool OutputFormatKnown(const std::string& path) {
  std::string reason;
  return CanWrite(FormatByName(path), &reason);
}

bool WritePicture(const std::string& path, const Picture& picture, std::string* error,
                  ImageFormat format, const WriteSettings& settings, ImageNotes* notes) {
  if (format == ImageFormat::kUnknown) format = FormatByName(path);
  std::string name = path == "-" ? "standard output" : path;
  Bytes file;
  if (!EncodePicture(name, format, picture, settings, &file, notes, error)) return false;
  return WriteOutputFile(path, file, error);
}
