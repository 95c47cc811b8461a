# shellcheck shell=bash
# Where the texts the user sees come from (the command line, src/cli, stays English). Read by
# scripts/update-translations and scripts/check-translations.
# shellcheck disable=SC2034
TARNIX_TRANSLATED_FOLDERS=(src/app src/capture src/compositing src/main src/media src/recorder src/studio src/ui
  src/update)
# The files checked for texts that skip translation. Of the capture services only their sentences
# are: the backends' failure details (an X error, a portal's refusal) are the platform's own words,
# passed on in English inside a translated sentence, as a system error string would be.
TARNIX_TEXT_SOURCES=(src/app src/main src/recorder src/studio src/ui src/update src/capture/CaptureMessages.h
  src/compositing/CompositionBuilder.cpp src/compositing/CompositorError.cpp)
