// The headless driver: the screen lives in memory only.
#include "platform/display/display.h"

namespace display {
namespace {

class HeadlessDriver final : public Driver {
  public:
    explicit HeadlessDriver(win::SIZE size) : Driver(size) {}
};

}  // namespace

std::unique_ptr<Driver> CreateHeadless(int width, int height) {
    if (width <= 0 || height <= 0) {
        width = 1366;
        height = 768;
    }
    return std::make_unique<HeadlessDriver>(win::SIZE{width, height});
}

}  // namespace display
