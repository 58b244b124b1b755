# Test files compiled on their own rather than in their program's batch: each defines a helper,
# fixture or constant under a name that a file batched with it defines too (or declares its
# fixtures in an unnamed namespace that its tests, outside it, derive from). Paths from the
# repository's root.
set(lxq_tests_apart
    tests/app/controls/ImageLabelPanelTest.cpp
    tests/app/controls/ShowcaseForm.cpp
    tests/app/forms/MemoryFileTest.cpp
    tests/app/forms/PanelClocksTest.cpp
    tests/app/forms/PowerEventsTest.cpp
    tests/app/forms/ScanRangesTest.cpp
    tests/crashreport/ClassLibraryTest.cpp
    tests/crashreport/CodeListingTest.cpp
    tests/crashreport/ComponentWindowTest.cpp
    tests/crashreport/MemoryDumpTest.cpp
    tests/crashreport/SignalTranslatorTest.cpp
    tests/demod/audio/RC_AudioMixerTest.cpp
    tests/demod/audio/RC_AudioWaveTest.cpp
    tests/demod/audio/RC_ReceiverApiTest.cpp
    tests/demod/dsp/RC_VoiceDetectorTest.cpp
    tests/demod/plugin/DemodPluginTest.cpp
    tests/demod/ui/DemodControlsTest.cpp
    tests/demod/ui/DemodWindowFeedsTest.cpp
    tests/demod/ui/DemodWindowTest.cpp
    tests/demod/ui/SetupWindowTest.cpp
    tests/demod/ui/StudyWindowTest.cpp
    tests/demod/ui/toolkit/RC_DrawObjectsTest.cpp
    tests/driver/host/HostDefenceRoadTest.cpp
    tests/platform/audio/WaveDeviceTest.cpp
    tests/platform/sys/ProfileFileTest.cpp
    tests/system/SearchScanTest.cpp
    tests/system/SettingsComeBackTest.cpp
    tests/system/StudyFiguresTest.cpp
    tests/system/ToneSquelchTest.cpp
    tests/system/VirtualSoundCardTest.cpp
)
