// The device error message texts, by error number.
#include <gtest/gtest.h>

#include "device/cd_audio_device.h"
#include "player/player_routines.h"

namespace lirafok {
namespace {

TEST(DeviceErrorText, NamedConditionsAndNumberedOthers) {
    namespace e = device::errors;
    struct Case {
        int error;
        const char* text;
    };
    const Case cases[] = {
        {e::kCannotLoadDriver, "Error load media device driver."},
        {e::kDeviceNotOpen, "The device is not open or is not known."},
        {e::kInvalidDeviceId, "Invalid device id."},
        {e::kInvalidFile, "Invalid filename."},
        {e::kUnsupportedFunction, "Action not available for this device."},
        {5, "Unknown error ( 5)."},
        {0, "Unknown error ( 0)."},
        {e::kHardware, "Unknown error ( 262)."},
        {-3, "Unknown error (-3)."},
    };
    for (const Case& c : cases) EXPECT_EQ(deviceErrorText(c.error), c.text) << c.error;
}

}  // namespace
}  // namespace lirafok
