#pragma once
// A plain description of what the Settings app would draw right now: the
// navigation bar, the top page's table (the rows it holds cells for: its
// viewport and the overscan around it), and the
// alert or mail sheet presented over it. Built from the live UIKit objects by
// UserDriver::screen(); the host draws it in a browser, tests read it.
//
// Ids are stable for as long as the element stays on screen and are what the
// driver's actions take: a row is "s<section>r<row>", a switch or text field
// in it "<row id>/switch" or "<row id>/field<n>", an alert field "alert/field<n>",
// an alert action "alert/action<n>", the mail sheet's subject and body
// "mail/subject" and "mail/body".
//
// What UIKit keeps as numbered constants the model keeps as enums of its
// own, in the browser's terms: the host sends each by name (host/ScreenJson.h),
// never by number. A new kind of row, accessory or control gets an
// enumerator here and its name there; the build refuses a missing name.
#include <memory>
#include <optional>
#include <string>
#include <vector>

class UIImage;

// Cell layouts: basic is UIKit's default style (one text line).
enum class ScreenCellStyle { basic, value1, value2, subtitle };
enum class ScreenAccessory { none, disclosure, detailDisclosure, checkmark };
// Whether a tapped row lights up; UIKit's blue, gray and default all do.
enum class ScreenSelectionStyle { none, highlight };
// A natural alignment is drawn left to right, as the pane's texts are.
enum class ScreenTextAlignment { left, center, right, justified };
// An inset grouped table is drawn as a grouped one.
enum class ScreenTableStyle { plain, grouped };
enum class ScreenSystemItem { done, cancel, edit, save, add };
enum class ScreenAlertActionStyle { standard, cancel, destructive };

struct ScreenSwitch {
  std::string id;
  bool on = false;
};

struct ScreenTextField {
  std::string id;
  std::string text;
  std::optional<std::string> placeholder;
  ScreenTextAlignment alignment = ScreenTextAlignment::left;
  bool editing = false;  // first responder
  bool highlighted = false;
  double x = 0, y = 0, width = 0, height = 0;  // frame in the row's content view
};

struct ScreenLabel {  // a UILabel placed in a cell's content view
  std::string text;
  std::string fontName;
  double fontSize = 17;
  ScreenTextAlignment alignment = ScreenTextAlignment::left;
  bool secondaryColor = false;
  bool bold = false;
  std::optional<long> maxLines = 1;  // none: as many as the text needs (numberOfLines 0)
  double x = 0, y = 0, width = 0, height = 0;  // frame in the row's content view; 0 x 0 when not placed
};

struct ScreenRow {
  std::string id;
  int section = 0;
  int row = 0;
  ScreenCellStyle style = ScreenCellStyle::basic;
  std::optional<std::string> text;
  std::optional<std::string> detailText;
  std::shared_ptr<const UIImage> image;
  ScreenAccessory accessory = ScreenAccessory::none;
  std::optional<ScreenSwitch> accessorySwitch;
  std::vector<ScreenTextField> textFields;
  std::vector<ScreenLabel> labels;
  ScreenSelectionStyle selectionStyle = ScreenSelectionStyle::highlight;
  bool selected = false;
  bool clearBackground = false;
  bool showsSeparator = true;  // false when the cell's separator inset pushes it out of sight
  double y = 0;  // top of the row in the table's content, in points
  double height = 44;
};

struct ScreenSection {
  int index = 0;
  std::optional<std::string> header;
  std::optional<std::string> footer;
  std::vector<ScreenRow> rows;  // only the rows held: viewport and overscan
  long rowCount = 0;  // every row of the section, held or not
  double footerY = 0;  // top of the footer in the table's content, rows or none
};

struct ScreenTable {
  ScreenTableStyle style = ScreenTableStyle::plain;
  bool separators = true;
  double contentHeight = 0;  // all rows, in points
  double contentOffset = 0;  // top of the viewport in the content
  double viewportHeight = 0;
  double overscan = 0;  // rows are held this far above and below the viewport
  std::vector<ScreenSection> sections;  // every section, rows limited to those held
};

struct ScreenSearchBar {
  std::string text;
  std::optional<std::string> placeholder;
  bool showsCancelButton = false;
  bool editing = false;
};

struct ScreenBarButton {
  std::string id;  // "nav/right"
  std::optional<ScreenSystemItem> systemItem;  // none when titled
  std::optional<std::string> title;
};

struct ScreenNavigationBar {
  std::optional<std::string> title;
  std::optional<ScreenSearchBar> searchBar;  // the title view, when it is a search bar
  std::optional<std::string> backTitle;      // none on the first page
  std::optional<ScreenBarButton> rightButton;
};

struct ScreenAlertAction {
  std::string id;
  std::string title;
  ScreenAlertActionStyle style = ScreenAlertActionStyle::standard;
};

struct ScreenAlert {
  std::optional<std::string> title;
  std::optional<std::string> message;
  std::vector<ScreenTextField> textFields;
  std::vector<ScreenAlertAction> actions;
  // The action the return key in a field taps: the last of default style.
  std::optional<std::string> returnKeyAction;
};

struct ScreenMail {
  std::vector<std::string> toRecipients;
  std::string subject;
  std::string body;
  bool isHTML = false;
};

// stopped: end it at once; ended: it has been played to its end.
enum class ScreenAudioState { playing, stopped, ended };

// The latest sound preview, for the browser to play: filled in by the host
// when previews go to the browser.
struct ScreenAudio {
  std::string clip;                // its id: the host serves its parts by it
  std::optional<std::string> tab;  // the browser tab to play it in; none: any
  ScreenAudioState state = ScreenAudioState::playing;
};

struct Screen {
  int depth = 0;  // view controllers on the navigation stack
  std::string pageClass;  // class name of the top page
  ScreenNavigationBar navigationBar;
  std::optional<ScreenTable> table;
  std::optional<ScreenAlert> alert;  // presented alert, if any
  std::optional<ScreenMail> mail;    // presented mail sheet, if any
  std::optional<ScreenAudio> audio;  // the browser's sound preview, if any
  // The device's files could not be reached at the last file step (a phone
  // whose link is down): what shows is what was last read. Set by the host.
  bool deviceUnreachable = false;
  // A list is being gathered (UIApplication's network activity indicator):
  // the browser says so when it lasts.
  bool loading = false;
};
