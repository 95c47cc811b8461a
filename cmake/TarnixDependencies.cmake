# Every external library the project uses, found once. scripts/deps installs them all.
find_package(nlohmann_json 3.10 REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET
  libavcodec libavformat libavutil libswscale libswresample libavdevice libavfilter)
pkg_check_modules(XCURSOR REQUIRED IMPORTED_TARGET xcursor x11)
if(TARNIX_FUZZ)
  # The fuzz build stops at what rendering a document reaches (the compositing library).
  find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Multimedia Concurrent)
  return()
endif()

find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Svg Network Multimedia Concurrent DBus Test
  LinguistTools)
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET
  xcb xcb-shm xcb-xfixes xcb-xinput xcb-randr xcb-composite xcb-image xcb-util xcb-res)
# Key names and modifier state of the keyboard layout.
pkg_check_modules(XKB REQUIRED IMPORTED_TARGET xkbcommon xkbcommon-x11 xcb-xkb)
pkg_check_modules(ATSPI REQUIRED IMPORTED_TARGET atspi-2 gobject-2.0 glib-2.0)
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
# The tests' own sound makers play through the simple API; the application does not use it.
pkg_check_modules(PULSE_SIMPLE REQUIRED IMPORTED_TARGET libpulse-simple)
pkg_check_modules(V4L2 REQUIRED IMPORTED_TARGET libv4l2)
pkg_check_modules(PIPEWIRE REQUIRED IMPORTED_TARGET libpipewire-0.3)
pkg_check_modules(LIBINPUT REQUIRED IMPORTED_TARGET libinput libudev)

if(TARNIX_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(TARNIX_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
