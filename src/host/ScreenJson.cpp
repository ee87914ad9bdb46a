#include "host/ScreenJson.h"

#include <stdexcept>
#include <type_traits>

#include "host/ImageRegistry.h"
#include "uikit/UIImage.h"

using nlohmann::json;

// The names of the model's kinds. Every enumerator needs its case: the build
// treats a missing one as an error, and nlohmann's own enum conversion, which
// would send the bare number, is switched off for the host.
namespace {

const char* screenName(ScreenAudioState state) {
  switch (state) {
    case ScreenAudioState::playing: return "playing";
    case ScreenAudioState::stopped: return "stopped";
    case ScreenAudioState::ended: return "ended";
  }
  throw std::logic_error("an audio state without a name");
}

const char* screenName(ScreenTableStyle style) {
  switch (style) {
    case ScreenTableStyle::plain: return "plain";
    case ScreenTableStyle::grouped: return "grouped";
  }
  throw std::logic_error("a table style without a name");
}

const char* screenName(ScreenCellStyle style) {
  switch (style) {
    case ScreenCellStyle::basic: return "basic";
    case ScreenCellStyle::value1: return "value1";
    case ScreenCellStyle::value2: return "value2";
    case ScreenCellStyle::subtitle: return "subtitle";
  }
  throw std::logic_error("a cell style without a name");
}

const char* screenName(ScreenAccessory accessory) {
  switch (accessory) {
    case ScreenAccessory::none: return "none";
    case ScreenAccessory::disclosure: return "disclosure";
    case ScreenAccessory::detailDisclosure: return "detailDisclosure";
    case ScreenAccessory::checkmark: return "checkmark";
  }
  throw std::logic_error("an accessory without a name");
}

const char* screenName(ScreenSelectionStyle style) {
  switch (style) {
    case ScreenSelectionStyle::none: return "none";
    case ScreenSelectionStyle::highlight: return "highlight";
  }
  throw std::logic_error("a selection style without a name");
}

const char* screenName(ScreenTextAlignment alignment) {
  switch (alignment) {
    case ScreenTextAlignment::left: return "left";
    case ScreenTextAlignment::center: return "center";
    case ScreenTextAlignment::right: return "right";
    case ScreenTextAlignment::justified: return "justified";
  }
  throw std::logic_error("an alignment without a name");
}

const char* screenName(ScreenSystemItem item) {
  switch (item) {
    case ScreenSystemItem::done: return "done";
    case ScreenSystemItem::cancel: return "cancel";
    case ScreenSystemItem::edit: return "edit";
    case ScreenSystemItem::save: return "save";
    case ScreenSystemItem::add: return "add";
  }
  throw std::logic_error("a system item without a name");
}

const char* screenName(ScreenAlertActionStyle style) {
  switch (style) {
    case ScreenAlertActionStyle::standard: return "default";
    case ScreenAlertActionStyle::cancel: return "cancel";
    case ScreenAlertActionStyle::destructive: return "destructive";
  }
  throw std::logic_error("an alert action style without a name");
}

}  // namespace

// Found by the JSON library for any of the model's kinds.
template <class Kind>
  requires std::is_enum_v<Kind> && requires(Kind kind) { screenName(kind); }
void to_json(json& out, Kind kind) {
  out = screenName(kind);
}

namespace {

template <class T>
void putOptional(json& object, const char* key, const std::optional<T>& value) {
  if (value) object[key] = *value;
}

// A frame in the row's content view.
json frameJson(double x, double y, double width, double height) {
  return {{"x", x}, {"y", y}, {"width", width}, {"height", height}};
}

json textFieldJson(const ScreenTextField& field) {
  json object = {{"id", field.id},         {"text", field.text},
                 {"alignment", field.alignment}, {"editing", field.editing},
                 {"highlighted", field.highlighted},
                 {"frame", frameJson(field.x, field.y, field.width, field.height)}};
  putOptional(object, "placeholder", field.placeholder);
  return object;
}

json textFieldsJson(const std::vector<ScreenTextField>& fields) {
  json list = json::array();
  for (const auto& field : fields) list.push_back(textFieldJson(field));
  return list;
}

json labelJson(const ScreenLabel& label) {
  json object = {{"text", label.text},
                 {"fontName", label.fontName},
                 {"fontSize", label.fontSize},
                 {"bold", label.bold},
                 {"alignment", label.alignment},
                 {"secondaryColor", label.secondaryColor},
                 {"frame", frameJson(label.x, label.y, label.width, label.height)}};
  putOptional(object, "maxLines", label.maxLines);
  return object;
}

json imageJson(const UIImage& image, const std::string& id) {
  return {{"src", "/images/" + id + ".png"}, {"width", image.width()}, {"height", image.height()}};
}

json rowJson(const ScreenRow& row, ImageRegistry& images) {
  json object = {{"id", row.id},
                 {"section", row.section},
                 {"row", row.row},
                 {"style", row.style},
                 {"accessory", row.accessory},
                 {"textFields", textFieldsJson(row.textFields)},
                 {"labels", json::array()},
                 {"selectionStyle", row.selectionStyle},
                 {"selected", row.selected},
                 {"clearBackground", row.clearBackground},
                 {"separator", row.showsSeparator},
                 {"y", row.y},
                 {"height", row.height}};
  putOptional(object, "text", row.text);
  putOptional(object, "detailText", row.detailText);
  if (row.image) object["image"] = imageJson(*row.image, images.idFor(row.image));
  if (row.accessorySwitch) {
    object["switch"] = {{"id", row.accessorySwitch->id}, {"on", row.accessorySwitch->on}};
  }
  for (const auto& label : row.labels) object["labels"].push_back(labelJson(label));
  return object;
}

json tableJson(const ScreenTable& table, ImageRegistry& images) {
  json sections = json::array();
  for (const auto& section : table.sections) {
    json rows = json::array();
    for (const auto& row : section.rows) rows.push_back(rowJson(row, images));
    json object = {{"index", section.index},
                   {"rows", std::move(rows)},
                   {"rowCount", section.rowCount},
                   {"footerY", section.footerY}};
    putOptional(object, "header", section.header);
    putOptional(object, "footer", section.footer);
    sections.push_back(std::move(object));
  }
  return {{"style", table.style},
          {"separators", table.separators},
          {"contentHeight", table.contentHeight},
          {"contentOffset", table.contentOffset},
          {"viewportHeight", table.viewportHeight},
          {"overscan", table.overscan},
          {"sections", std::move(sections)}};
}

json navigationBarJson(const ScreenNavigationBar& bar) {
  json object = json::object();
  putOptional(object, "title", bar.title);
  putOptional(object, "backTitle", bar.backTitle);
  if (bar.searchBar) {
    json search = {{"text", bar.searchBar->text},
                   {"showsCancelButton", bar.searchBar->showsCancelButton},
                   {"editing", bar.searchBar->editing}};
    putOptional(search, "placeholder", bar.searchBar->placeholder);
    object["searchBar"] = std::move(search);
  }
  if (bar.rightButton) {
    json button = {{"id", bar.rightButton->id}};
    putOptional(button, "systemItem", bar.rightButton->systemItem);
    putOptional(button, "title", bar.rightButton->title);
    object["rightButton"] = std::move(button);
  }
  return object;
}

json alertJson(const ScreenAlert& alert) {
  json actions = json::array();
  for (const auto& action : alert.actions) {
    actions.push_back({{"id", action.id}, {"title", action.title}, {"style", action.style}});
  }
  json object = {{"textFields", textFieldsJson(alert.textFields)}, {"actions", std::move(actions)}};
  putOptional(object, "title", alert.title);
  putOptional(object, "message", alert.message);
  putOptional(object, "returnKeyAction", alert.returnKeyAction);
  return object;
}

json mailJson(const ScreenMail& mail) {
  return {{"toRecipients", mail.toRecipients},
          {"subject", mail.subject},
          {"body", mail.body},
          {"isHTML", mail.isHTML}};
}

json audioJson(const ScreenAudio& audio) {
  json object = {{"clip", audio.clip}, {"parts", "/clips/" + audio.clip + "/"}, {"state", screenName(audio.state)}};
  putOptional(object, "tab", audio.tab);
  return object;
}

}  // namespace

json screenToJson(const Screen& screen, ImageRegistry& images) {
  json object = {{"depth", screen.depth},
                 {"pageClass", screen.pageClass},
                 {"navigationBar", navigationBarJson(screen.navigationBar)},
                 {"loading", screen.loading}};
  if (screen.table) object["table"] = tableJson(*screen.table, images);
  if (screen.alert) object["alert"] = alertJson(*screen.alert);
  if (screen.mail) object["mail"] = mailJson(*screen.mail);
  if (screen.audio) object["audio"] = audioJson(*screen.audio);
  if (screen.deviceUnreachable) object["deviceUnreachable"] = true;
  return object;
}

json pageScreenToJson(const Screen& screen, std::uint64_t pageId, std::optional<std::uint64_t> backPageId,
                      ImageRegistry& images) {
  json object = screenToJson(screen, images);
  object["pageId"] = pageId;
  if (backPageId) object["backPageId"] = *backPageId;
  return object;
}

json screenMessage(const std::string& host, std::uint64_t version, const json& screen) {
  return {{"host", host}, {"version", version}, {"screen", screen}};
}

namespace {

json linksJson(const std::vector<OpenedLink>& links) {
  json list = json::array();
  for (const auto& link : links) list.push_back(linkJson(link));
  return list;
}

}  // namespace

json actionAnswer(const json& message, const std::vector<OpenedLink>& links, const std::optional<std::string>& error,
                  const std::optional<std::string>& changedBy) {
  json answer = message;
  answer["links"] = linksJson(links);
  if (error) answer["error"] = *error;
  putOptional(answer, "changedBy", changedBy);
  return answer;
}

json linkJson(const OpenedLink& link) { return {{"sequence", link.sequence}, {"url", link.url}}; }

json linksMessage(const std::vector<OpenedLink>& links) { return {{"links", linksJson(links)}}; }

json errorJson(const std::string& message) { return {{"error", message}}; }
