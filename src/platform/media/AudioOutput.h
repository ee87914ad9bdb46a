#pragma once
// Where sound previews go, chosen by the host at start:
//   browser  the clip goes to the browser page that shows the pane, which plays it
//   device   SDL2 on this machine's own sound card ("auto" is its old name)
//   none     decoded to nowhere, at the pace a device would take it (tests)
// The platform's own default is none; the chimewell command defaults to browser.
//
// The host also learns from here what the output is doing: an activity
// listener, called from the decoding thread (never the main thread, never
// under a lock of the player), and the tab the main thread is acting for,
// which a preview started meanwhile remembers.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

enum class AudioOutputMode { browser, device, silent };

// What a preview just did, as the listener is told.
enum class AudioActivity {
  firstFrameHanded,  // the first decoded audio went to the device, nowhere, or a clip
  clipReady,         // browser: the clip's first part can be fetched
  stopped,           // stop: the output was told to end at once
  ended,             // the whole sound has been played out
};

class AudioOutput {
 public:
  // The whole output format: every sound is converted to it.
  static constexpr int kSampleRate = 44100;
  static constexpr int kChannels = 2;

  static AudioOutputMode mode();
  static void setMode(AudioOutputMode mode);

  // "browser", "device" (or "auto"), "none", as the command line spells them;
  // none for anything else.
  static std::optional<AudioOutputMode> modeNamed(std::string_view name);
  static std::string nameOf(AudioOutputMode mode);

  using ActivityListener = std::function<void(AudioActivity)>;
  // Any thread but the listener's own call; an empty function removes it.
  // It returns once no call of the listener it replaces is running, so
  // whatever that one used may go as soon as it is cleared. A listener must
  // not wait for a thread that is replacing it.
  static void setActivityListener(ActivityListener listener);
  static void tellActivity(AudioActivity activity);

  // Main thread: the browser tab whose action is being run (none between
  // actions). A browser clip started meanwhile plays in that tab only.
  static void setActingTab(std::optional<std::string> tab);
  static std::optional<std::string> actingTab();
};
