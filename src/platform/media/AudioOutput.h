#pragma once
// Where sound previews go. The host chooses at start: the machine's audio
// device, or nowhere (previews still decode, but play silently), which suits
// headless machines and tests. The sound player asks before it opens a device.
#include <optional>
#include <string>
#include <string_view>

enum class AudioOutputMode { automatic, silent };

class AudioOutput {
 public:
  static AudioOutputMode mode();
  static void setMode(AudioOutputMode mode);

  // "auto" or "none", as the command line spells them; none for anything else.
  static std::optional<AudioOutputMode> modeNamed(std::string_view name);
  static std::string nameOf(AudioOutputMode mode);

  // The SDL audio driver to ask for: "dummy" when silent, none to let SDL pick.
  static std::optional<std::string> sdlDriverName();
};
