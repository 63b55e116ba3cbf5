#include "ui/options_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/color_button.h"
#include "ui/icon_button.h"
#include "ui/panel_attributes.h"

namespace ui {

namespace {

// Sizes in dialog units.
constexpr int kMarginX = 7;
constexpr int kMarginY = 7;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

OptionsDialog::FontChooser& testFontChooser() {
  static OptionsDialog::FontChooser chooser;
  return chooser;
}

std::optional<QFont> runFontDialog(QWidget* parent, const QFont& initial) {
  QFontDialog dialog(initial, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.selectedFont();
}

}  // namespace

OptionsDialog::OptionsDialog(tree::PanelSettings& settings, const tree::UiAttributes& ui, QWidget* parent)
    : Dialog(parent), settings_(settings), ui_(ui), copy_(settings) {
  setObjectName(QStringLiteral("vostrel_options"));
  setWindowTitle(QStringLiteral("Vostrel Options"));
  buildLayout();

  edge_->setCurrentIndex(copy_.edge_style >= 0 && copy_.edge_style <= 2 ? copy_.edge_style : -1);
  use_ui_->setChecked(copy_.use_ui_attributes != 0);
  follow_->setChecked(copy_.follow_playing);
  icon_->setSelectorColors(toQColor(settings.back), toQColor(settings.text));
  icon_->setIconIndex(copy_.icon);
  line_->setColor(copy_.line);
  for (int c = 0; c < kTextColourCount; ++c) colours_[c]->setColor(field(static_cast<TextColour>(c)));
  showFont();
  updateEnabled();
}

void OptionsDialog::buildLayout() {
  const QSize margin = dialogUnits(this, kMarginX, kMarginY);
  const QSize button = dialogUnits(this, kButtonWidth, kButtonHeight);

  edge_ = new QComboBox;
  edge_->addItems({QStringLiteral("None"), QStringLiteral("Grey"), QStringLiteral("Sunken")});
  connect(edge_, &QComboBox::currentIndexChanged, this, &OptionsDialog::updateEnabled);
  use_ui_ = new QCheckBox(QStringLiteral("Use UI attributes"));
  connect(use_ui_, &QCheckBox::toggled, this, &OptionsDialog::updateEnabled);
  follow_ = new QCheckBox(QStringLiteral("&Re-run visible nodes that follow the playing track"));
  follow_->setToolTip(
      QStringLiteral("When the playing or focused track changes, expanded query nodes that use playing(), "
                     "selected() or playing_handle() run again (never while you edit a node)."));
  icon_ = new IconButton(QStringLiteral("Icon..."));
  connect(icon_, &IconButton::iconChanged, this, [this](int index) { copy_.icon = static_cast<uint16_t>(index); });
  font_ = new QPushButton(QStringLiteral("Font..."));
  font_->setAutoDefault(false);
  connect(font_, &QPushButton::clicked, this, &OptionsDialog::chooseFont);
  font_name_ = new QLabel;
  font_name_->setTextFormat(Qt::PlainText);
  line_ = new ColorButton(QStringLiteral("Line color..."));
  connect(line_, &ColorButton::colorChanged, this, [this](uint32_t c) { copy_.line = c; });
  for (int c = 0; c < kTextColourCount; ++c) {
    colours_[c] = new ColorButton(QStringLiteral("Change..."));
    colours_[c]->setAccessibleName(colourButtonName(c / 2, c % 2 == 1));
    connect(colours_[c], &ColorButton::colorChanged, this,
            [this, c](uint32_t colour) { field(static_cast<TextColour>(c)) = colour; });
  }
  for (QPushButton* b : {static_cast<QPushButton*>(icon_), font_, static_cast<QPushButton*>(line_)}) {
    b->setMinimumWidth(button.width());
  }

  auto* top = new QGridLayout;
  top->setHorizontalSpacing(margin.width());
  auto* edge_label = new QLabel(QStringLiteral("Edge style:"));
  edge_label->setBuddy(edge_);
  top->addWidget(edge_label, 0, 0);
  top->addWidget(edge_, 0, 1);
  auto* icon_label = new QLabel(QStringLiteral("Icon:"));
  icon_label->setBuddy(icon_);
  top->addWidget(icon_label, 1, 0);
  top->addWidget(icon_, 1, 1, Qt::AlignLeft);
  top->setColumnStretch(2, 1);

  auto* font_row = new QHBoxLayout;
  font_row->addWidget(font_);
  font_row->addWidget(font_name_, 1);
  font_row->addSpacing(margin.width());
  font_row->addWidget(line_);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(margin.width());
  grid->addWidget(new QLabel(QStringLiteral("Foreground:")), 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Background:")), 0, 2);
  const QString rows[] = {QStringLiteral("Text:"), QStringLiteral("Selected text:"),
                          QStringLiteral("Inactive selected text:")};
  for (int r = 0; r < 3; ++r) {
    grid->addWidget(new QLabel(rows[r]), r + 1, 0);
    grid->addWidget(colours_[2 * r], r + 1, 1);
    grid->addWidget(colours_[2 * r + 1], r + 1, 2);
  }
  grid->setColumnStretch(3, 1);

  auto* line = new QFrame;
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  cancel_ = buttons->button(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &OptionsDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(margin.width(), margin.height(), margin.width(), margin.height());
  layout->setSpacing(margin.height());
  layout->addLayout(top);
  layout->addWidget(line);
  layout->addWidget(use_ui_, 0, Qt::AlignLeft);
  layout->addLayout(font_row);
  layout->addLayout(grid);
  auto* follow_line = new QFrame;
  follow_line->setFrameShape(QFrame::HLine);
  follow_line->setFrameShadow(QFrame::Sunken);
  layout->addWidget(follow_line);
  layout->addWidget(follow_, 0, Qt::AlignLeft);
  layout->addStretch(1);
  layout->addWidget(buttons);
  setSizeGripEnabled(false);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

tree::Colour& OptionsDialog::field(TextColour which) {
  switch (which) {
    case kText: return copy_.text;
    case kBack: return copy_.back;
    case kTextSelected: return copy_.text_selected;
    case kBackSelected: return copy_.back_selected;
    case kTextInactive: return copy_.text_selected_inactive;
    default: return copy_.back_selected_inactive;
  }
}

void OptionsDialog::updateEnabled() {
  const bool own = !use_ui_->isChecked();
  font_->setEnabled(own);
  font_name_->setEnabled(own);
  line_->setEnabled(own);
  for (ColorButton* b : colours_) b->setEnabled(own);
}

void OptionsDialog::chooseFont() {
  const QFont initial = toQFont(copy_.font, font());
  const std::optional<QFont> picked = testFontChooser() ? testFontChooser()(this, initial) : runFontDialog(this, initial);
  // Only a font the system has: a family that is not there would be
  // replaced by some other font when the panel draws.
  if (!picked || !QFontDatabase::hasFamily(picked->family())) return;
  copy_.font = toLogFont(*picked);
  showFont();
}

void OptionsDialog::showFont() {
  const QFont font = toQFont(copy_.font, this->font());
  const QFontInfo info(font);
  font_name_->setText(QStringLiteral("%1, %2 pt").arg(info.family()).arg(qRound(info.pointSizeF())));
}

void OptionsDialog::accept() {
  if (edge_->currentIndex() >= 0) copy_.edge_style = edge_->currentIndex();
  copy_.use_ui_attributes = use_ui_->isChecked() ? 1 : 0;
  copy_.follow_playing = follow_->isChecked();
  // Following the UI means its font and colours, whatever was picked here.
  if (copy_.use_ui_attributes) copy_.takeUiAttributes(ui_);
  settings_ = copy_;
  Dialog::accept();
}

void OptionsDialog::setFontChooserForTests(FontChooser chooser) { testFontChooser() = std::move(chooser); }

bool editPanelOptions(QWidget* parent, tree::PanelSettings& settings, const tree::UiAttributes& ui) {
  OptionsDialog dialog(settings, ui, parent);
  return dialog.runModal();
}

}  // namespace ui
