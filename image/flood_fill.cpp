// Flood fills: a span-wise traversal of a 4-connected region with a bounded
// work stack, membership and painting decided by a test per pixel.
#include <cstring>
#include <memory>
#include <new>

#include "image/image.h"

namespace {

// What is known of each pixel: the test is asked once per pixel, since it
// paints as it decides and a painted pixel may no longer look like a member.
enum PixelState : uint8_t { kUnknown = 0, kOutside, kMember, kSpanned };

struct Seed {
  int32_t x, y;
};

struct StatisticsSum {
  int64_t sumX = 0, sumY = 0;
  int32_t minX = 0, minY = 0, maxX = 0, maxY = 0;
  int32_t count = 0;

  void Add(int32_t x, int32_t y) {
    if (count == 0 || x < minX) minX = x;
    if (count == 0 || y < minY) minY = y;
    if (count == 0 || x > maxX) maxX = x;
    if (count == 0 || y > maxY) maxY = y;
    sumX += x;
    sumY += y;
    ++count;
  }

  RegionStatistics Result() const {
    RegionStatistics r;
    if (count == 0) return r;
    r.meanX = static_cast<int32_t>(sumX / count);
    r.meanY = static_cast<int32_t>(sumY / count);
    r.minX = minX;
    r.minY = minY;
    r.maxX = maxX;
    r.maxY = maxY;
    r.count = count;
    return r;
  }
};

class FloodTraversal {
 public:
  FloodTraversal(RgbtImage& image, FillTest test, void* context, uint8_t* states)
      : image(image), test(test), context(context), states(states) {}

  void Run(int32_t x, int32_t y);
  const StatisticsSum& Statistics() const { return sums; }

 private:
  bool IsMember(int32_t x, int32_t y);
  bool Push(int32_t x, int32_t y);
  bool SeedRow(int32_t left, int32_t right, int32_t y);
  void FillSpan(Seed seed, int32_t* left, int32_t* right);

  RgbtImage& image;
  FillTest test;
  void* context;
  uint8_t* states;
  Seed stack[kFloodStackSize];
  int32_t depth = 0;
  StatisticsSum sums;
};

// True for a member not yet covered by a span; asks the test on first sight.
bool FloodTraversal::IsMember(int32_t x, int32_t y) {
  uint8_t& state = states[static_cast<size_t>(y) * image.width + x];
  if (state == kUnknown) {
    uint8_t* pixel = image.data + static_cast<size_t>(y) * image.rowLength +
                     static_cast<size_t>(x) * image.channels;
    const bool member = test(image, pixel, context) != 0;
    state = member ? kMember : kOutside;
    if (member) sums.Add(x, y);
  }
  return state == kMember;
}

bool FloodTraversal::Push(int32_t x, int32_t y) {
  if (depth == kFloodStackSize) return false;
  stack[depth++] = {x, y};
  return true;
}

// Extends the seed's span left and right over members, marking it covered.
void FloodTraversal::FillSpan(Seed seed, int32_t* left, int32_t* right) {
  int32_t l = seed.x, r = seed.x;
  while (l > 0 && IsMember(l - 1, seed.y)) --l;
  while (r + 1 < image.width && IsMember(r + 1, seed.y)) ++r;
  std::memset(states + static_cast<size_t>(seed.y) * image.width + l, kSpanned,
              static_cast<size_t>(r - l + 1));
  *left = l;
  *right = r;
}

// Pushes one seed per run of members in row y between left and right;
// false when the work stack is full.
bool FloodTraversal::SeedRow(int32_t left, int32_t right, int32_t y) {
  if (y < 0 || y >= image.height) return true;
  bool inRun = false;
  for (int32_t x = left; x <= right; ++x) {
    const bool member = IsMember(x, y);
    if (member && !inRun && !Push(x, y)) return false;
    inRun = member;
  }
  return true;
}

void FloodTraversal::Run(int32_t x, int32_t y) {
  if (!IsMember(x, y)) return;
  Push(x, y);
  while (depth > 0) {
    const Seed seed = stack[--depth];
    if (!IsMember(seed.x, seed.y)) continue;  // covered since it was pushed
    int32_t left, right;
    FillSpan(seed, &left, &right);
    // A full stack ends the traversal where it stands.
    if (!SeedRow(left, right, seed.y - 1) || !SeedRow(left, right, seed.y + 1)) return;
  }
}

struct EqualFill {
  int32_t channel;
  uint8_t target;
  uint8_t value;
};

int32_t PaintEqual(RgbtImage&, uint8_t* pixel, void* context) {
  const EqualFill* fill = static_cast<const EqualFill*>(context);
  if (pixel[fill->channel] != fill->target) return 0;
  pixel[fill->channel] = fill->value;
  return 1;
}

int32_t PaintNonZeroWithDefault(RgbtImage& image, uint8_t* pixel, void*) {
  if (image.defaultChannel < 0 || image.defaultChannel >= image.channels) return 0;
  if (pixel[image.defaultChannel] == 0) return 0;
  pixel[image.defaultChannel] = static_cast<uint8_t>(image.defaultValue & 0xFF);
  return 1;
}

int32_t RunFloodFill(RgbtImage& image, int32_t x, int32_t y, FillTest test, void* context) {
  image.region = RegionStatistics();
  if (image.data == nullptr || x < 0 || y < 0 || x >= image.width || y >= image.height) return 0;
  const size_t pixels = static_cast<size_t>(image.width) * image.height;
  std::unique_ptr<uint8_t[]> states(new (std::nothrow) uint8_t[pixels]());
  if (!states) return 0;
  // The traversal holds the 4096-entry work stack: keep it off the call stack.
  std::unique_ptr<FloodTraversal> traversal(
      new (std::nothrow) FloodTraversal(image, test, context, states.get()));
  if (!traversal) return 0;
  traversal->Run(x, y);
  image.region = traversal->Statistics().Result();
  return image.region.count;
}

}  // namespace

int32_t RgbtImage::FloodFill(int32_t x, int32_t y, int32_t channel, int32_t value) {
  if (channel == -1) channel = defaultChannel;
  if (value == -1) value = defaultValue;
  if (channel < 0 || channel >= channels) {
    region = RegionStatistics();
    return 0;
  }
  EqualFill fill{channel, *PixelAddress(x, y, channel), static_cast<uint8_t>(value & 0xFF)};
  return RunFloodFill(*this, x, y, PaintEqual, &fill);
}

int32_t RgbtImage::FloodFillWith(int32_t x, int32_t y, FillTest test, void* context) {
  if (test == nullptr) test = PaintNonZeroWithDefault;
  return RunFloodFill(*this, x, y, test, context);
}
