#pragma once
// A plain description of what the Settings app would draw right now: the
// navigation bar, the top page's table (the rows in its viewport), and the
// alert or mail sheet presented over it. Built from the live UIKit objects by
// UserDriver::screen(); the host draws it in a browser, tests read it.
//
// Ids are stable for as long as the element stays on screen and are what the
// driver's actions take: a row is "s<section>r<row>", a switch or text field
// in it "<row id>/switch" or "<row id>/field<n>", an alert field "alert/field<n>",
// an alert action "alert/action<n>".
#include <memory>
#include <optional>
#include <string>
#include <vector>

class UIImage;

struct ScreenSwitch {
  std::string id;
  bool on = false;
};

struct ScreenTextField {
  std::string id;
  std::string text;
  std::optional<std::string> placeholder;
  int alignment = 0;  // NSTextAlignment: 0 left (natural), 1 centre, 2 right
  bool editing = false;  // first responder
  bool highlighted = false;
  double x = 0, y = 0, width = 0, height = 0;  // frame in the row's content view
};

struct ScreenLabel {  // a UILabel placed in a cell's content view
  std::string text;
  std::string fontName;
  double fontSize = 17;
  int alignment = 0;
  bool secondaryColor = false;
};

struct ScreenRow {
  std::string id;
  int section = 0;
  int row = 0;
  int style = 0;  // UITableViewCellStyle: 0 default, 1 value 1, 3 subtitle
  std::optional<std::string> text;
  std::optional<std::string> detailText;
  std::shared_ptr<const UIImage> image;
  int accessory = 0;  // 0 none, 1 disclosure indicator, 3 checkmark
  std::optional<ScreenSwitch> accessorySwitch;
  std::vector<ScreenTextField> textFields;
  std::vector<ScreenLabel> labels;
  int selectionStyle = 3;  // 0 none; otherwise the default highlight
  bool selected = false;
  bool clearBackground = false;
  double y = 0;  // top of the row in the table's content, in points
  double height = 44;
};

struct ScreenSection {
  int index = 0;
  std::optional<std::string> footer;
  std::vector<ScreenRow> rows;  // only the rows in the viewport
};

struct ScreenTable {
  int style = 0;  // 0 plain, 1 grouped
  bool separators = true;
  double contentHeight = 0;  // all rows, in points
  double contentOffset = 0;  // top of the viewport in the content
  double viewportHeight = 0;
  std::vector<ScreenSection> sections;  // every section, rows limited to the viewport
};

struct ScreenSearchBar {
  std::string text;
  std::optional<std::string> placeholder;
  bool showsCancelButton = false;
  bool editing = false;
};

struct ScreenBarButton {
  std::string id;  // "nav/right"
  int systemItem = -1;  // UIBarButtonSystemItem (4 = Add), -1 when titled
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
  int style = 0;  // 0 default, 1 cancel, 2 destructive
};

struct ScreenAlert {
  std::optional<std::string> title;
  std::optional<std::string> message;
  std::vector<ScreenTextField> textFields;
  std::vector<ScreenAlertAction> actions;
};

struct ScreenMail {
  std::vector<std::string> toRecipients;
  std::string subject;
  std::string body;
  bool isHTML = false;
};

struct Screen {
  int depth = 0;  // view controllers on the navigation stack
  std::string pageClass;  // class name of the top page
  ScreenNavigationBar navigationBar;
  std::optional<ScreenTable> table;
  std::optional<ScreenAlert> alert;  // presented alert, if any
  std::optional<ScreenMail> mail;    // presented mail sheet, if any
};
