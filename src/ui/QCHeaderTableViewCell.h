#pragma once
// A table cell for a centred two-line heading: a large bold title and, below
// it, a smaller line in the secondary text colour. It is never highlighted,
// shows no separator and has a clear background. Its labels are placed by
// constraints in the content view, so a self-sizing row is as tall as their
// texts need: 15 + 30 (title) + 5 + at least 20 (detail) + 15 points.
// The page that shows it sets the texts through titleLabel and detailLabel
// (never the built-in textLabel and detailTextLabel). Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "uikit/UILabel.h"
#include "uikit/UITableViewCell.h"

class NSCoder;

class QCHeaderTableViewCell : public UITableViewCell {
 public:
  // The class operation reuseIdentifier: "QCHeaderTableViewCellIdentifier",
  // without an instance. (Named apart from the instance's reuseIdentifier(),
  // which it would otherwise hide.)
  static std::string classReuseIdentifier();

  // initWithStyle:reuseIdentifier:, both passed on to UITableViewCell; the
  // cell is laid out when it returns.
  QCHeaderTableViewCell(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier);
  // initWithCoder:, for UINib: nothing is laid out until awakeFromNib.
  explicit QCHeaderTableViewCell(const NSCoder& coder);

  void awakeFromNib() override;
  // Adds the view to the cell itself unless it is one device pixel high (a
  // hairline such as a separator), which is dropped silently.
  void addSubview(const std::shared_ptr<UIView>& view) override;

  const std::shared_ptr<UILabel>& titleLabel() const { return titleLabel_; }
  void setTitleLabel(std::shared_ptr<UILabel> label) { titleLabel_ = std::move(label); }
  const std::shared_ptr<UILabel>& detailLabel() const { return detailLabel_; }
  void setDetailLabel(std::shared_ptr<UILabel> label) { detailLabel_ = std::move(label); }

 private:
  // The appearance, both labels and their constraints; once per cell, from
  // whichever of the two creation paths made it.
  void initialize();
  void addTitleLabel();
  void addDetailLabel();

  std::shared_ptr<UILabel> titleLabel_;
  std::shared_ptr<UILabel> detailLabel_;
};
