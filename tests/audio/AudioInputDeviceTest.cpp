#include "audio/AudioInputDevice.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace {

TEST(AudioInputDeviceTest, TheDefaultInputIsBestWhenItCanCapture) {
    ScopedFakePlatform platform;
    platform.audioInput.devices = {{0, QStringLiteral("Line in"), 2}, {4, QStringLiteral("Headset"), 1}};
    platform.audioInput.defaultDevice = 4;
    EXPECT_EQ(AudioInputDevice::best(), 4u);
    EXPECT_EQ(AudioInputDevice::allDevices(), (QList<quint32>{0, 4}));
    EXPECT_EQ(AudioInputDevice::name(4), QStringLiteral("Headset"));
}

TEST(AudioInputDeviceTest, OtherwiseTheFirstDeviceWithAnInputChannel) {
    ScopedFakePlatform platform;
    platform.audioInput.devices = {
        {2, QStringLiteral("Silent"), 0}, {3, QStringLiteral("USB mic"), 1}, {5, QStringLiteral("Webcam"), 1}};
    platform.audioInput.defaultDevice = 2; // no input channel
    EXPECT_EQ(AudioInputDevice::best(), 3u);
    platform.audioInput.defaultDevice.reset();
    EXPECT_EQ(AudioInputDevice::best(), 3u);
    platform.audioInput.defaultDevice = 9; // gone
    EXPECT_EQ(AudioInputDevice::best(), 3u);
}

TEST(AudioInputDeviceTest, NoDeviceThatCanCaptureMeansNone) {
    ScopedFakePlatform platform;
    EXPECT_FALSE(AudioInputDevice::best());
    platform.audioInput.devices = {{1, QStringLiteral("Silent"), 0}};
    EXPECT_FALSE(AudioInputDevice::best());
}

TEST(AudioInputDeviceTest, ADeviceWithoutANameIsUnknown) {
    ScopedFakePlatform platform;
    platform.audioInput.devices = {{1, QString(), 1}};
    EXPECT_EQ(AudioInputDevice::name(1), QStringLiteral("unknown"));
    EXPECT_EQ(AudioInputDevice::name(77), QStringLiteral("unknown"));
}

} // namespace
