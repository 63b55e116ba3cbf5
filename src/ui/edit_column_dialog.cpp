#include "ui/edit_column_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "host/host.h"
#include "ui/sql_editor.h"

namespace ui {
namespace {

using library_tables::EditorType;

// The "Type:" entries, in editor-type order.
const char* const kTypeNames[] = {"Tag", "TechInfo", "Predefined", "TFExpression"};

QString fromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString fromString(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

EditColumnDialog::EditColumnDialog(Mode mode, const library_tables::SQLiteMetaDBVTabColumn& column,
                                   library_tables::TableType type, library_tables::VTabColumns& list,
                                   host::Host& host, QWidget* parent)
    : Dialog(parent), mode_(mode), column_(column), table_(type), list_(list), host_(host) {
  setObjectName(QStringLiteral("vostrel_edit_column"));
  setWindowTitle(QStringLiteral("Edit column"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  buildLayout();
  fillFromColumn();
}

EditColumnDialog::~EditColumnDialog() = default;

void EditColumnDialog::buildLayout() {
  type_ = new QComboBox;
  for (const char* name : kTypeNames) type_->addItem(QString::fromLatin1(name));

  name_list_ = new QComboBox;
  name_edit_ = new QLineEdit;
  name_edit_->setAccessibleName(QStringLiteral("Name"));
  name_list_->setAccessibleName(QStringLiteral("Name"));
  name_row_ = new QStackedWidget;
  name_row_->addWidget(name_edit_);
  name_row_->addWidget(name_list_);
  name_row_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

  collation_ = new QComboBox;
  for (std::string_view collation : library_tables::kCollations) collation_->addItem(fromView(collation));

  auto* column_form = new QFormLayout;
  column_form->addRow(QStringLiteral("Type:"), type_);
  column_form->addRow(QStringLiteral("Name:"), name_row_);
  column_form->addRow(QStringLiteral("Collation:"), collation_);

  tag_name_ = new QLineEdit;
  separator_ = new QLineEdit;
  split_ = new QCheckBox(QStringLiteral("Split multivalue tag"));
  associated_ = new QLineEdit;
  tag_group_ = new QGroupBox(QStringLiteral("Tag"));
  auto* tag_form = new QFormLayout(tag_group_);
  tag_form->addRow(QStringLiteral("Name:"), tag_name_);
  tag_form->addRow(QStringLiteral("Multivalue separator:"), separator_);
  tag_form->addRow(QString(), split_);
  tag_form->addRow(QStringLiteral("Associated column:"), associated_);

  expression_ = new SqlEditor;
  expression_->setSqlLexer(false);
  expression_->setMarginWidth(0, 0);
  expression_->setMarginLineNumbers(0, false);
  expression_->setMinimumHeight(QFontMetrics(SqlEditor::fixedFont()).height() * 4);
  expression_error_ = new QLabel;
  expression_error_->setWordWrap(true);
  expression_error_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QPalette warning = expression_error_->palette();
  warning.setColor(QPalette::WindowText, QColor(0xb0, 0x20, 0x20));
  expression_error_->setPalette(warning);
  expression_group_ = new QGroupBox(QStringLiteral("Title format expression"));
  auto* expression_layout = new QVBoxLayout(expression_group_);
  expression_layout->addWidget(expression_);
  expression_layout->addWidget(expression_error_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &EditColumnDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &EditColumnDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(column_form);
  layout->addWidget(tag_group_);
  layout->addWidget(expression_group_, 1);
  layout->addWidget(buttons);

  connect(type_, &QComboBox::currentIndexChanged, this, [this] {
    showNameFieldForType();
    updateEnableStates();
  });
  connect(split_, &QCheckBox::toggled, this, &EditColumnDialog::updateEnableStates);
  connect(expression_, &QsciScintilla::textChanged, this, &EditColumnDialog::checkExpression);
  // Room for a few lines of expression; the editor grows with the dialog.
  resize(QFontMetrics(font()).averageCharWidth() * 62,
         minimumSizeHint().height() + 3 * QFontMetrics(SqlEditor::fixedFont()).height());
}

void EditColumnDialog::fillFromColumn() {
  const QSignalBlocker block(type_);
  type_->setCurrentIndex(static_cast<int>(library_tables::editorTypeOf(column_.kind())));
  name_edit_->setText(fromString(column_.name()));
  showNameFieldForType();
  collation_->setCurrentIndex(collation_->findText(fromString(column_.collation()), Qt::MatchExactly));
  tag_name_->setText(fromString(column_.tagName()));
  separator_->setText(fromString(column_.separator()));
  split_->setChecked(column_.splitMultiValueTag());
  associated_->setText(fromString(column_.associatedColumn()));
  expression_->setText(fromString(column_.expression()));
  updateEnableStates();
  checkExpression();
}

EditorType EditColumnDialog::editorType() const {
  const int index = type_->currentIndex();
  return index < 0 ? EditorType::kTag : static_cast<EditorType>(index);
}

bool EditColumnDialog::showsNameList() const { return name_row_->currentWidget() == name_list_; }

void EditColumnDialog::showNameFieldForType() {
  if (editorType() != EditorType::kPredefined) {
    name_row_->setCurrentWidget(name_edit_);
    return;
  }
  // The name chosen in the list before, else the one typed in the free edit
  // (which on opening holds the column's name).
  const QString current = name_list_->currentIndex() >= 0 ? name_list_->currentText() : name_edit_->text();
  name_list_->clear();
  for (std::string_view name : library_tables::predefinedEditorNames(table_)) name_list_->addItem(fromView(name));
  name_list_->model()->sort(0);
  name_list_->setCurrentIndex(name_list_->findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive));
  name_row_->setCurrentWidget(name_list_);
}

void EditColumnDialog::updateEnableStates() {
  const bool tag = editorType() == EditorType::kTag;
  const bool split = split_->isChecked();
  tag_name_->setEnabled(tag);
  split_->setEnabled(tag);
  associated_->setEnabled(tag && split);
  const bool separator = tag && !split;
  separator_->setEnabled(separator);
  if (!separator) {
    separator_->clear();
  } else if (separator_->text().isEmpty()) {
    // A column stored without a separator gets the usual one back rather
    // than joining values with nothing between them.
    const std::string& own = column_.separator();
    separator_->setText(fromString(own.empty() ? std::string(library_tables::kDefaultSeparator) : own));
  }
  const bool expression = editorType() == EditorType::kTFExpression;
  expression_->setEnabled(expression);
  expression_->setPaper(palette().color(expression ? QPalette::Base : QPalette::Window));
  expression_error_->setVisible(expression && !expression_error_->text().isEmpty());
}

QString EditColumnDialog::expressionError() const { return expression_error_->text(); }

void EditColumnDialog::checkExpression() {
  std::string error;
  const std::string text = expression_->text().toStdString();
  if (host_.compileTitleFormat(text, &error) != nullptr) error.clear();
  expression_error_->setText(fromString(error));
  expression_error_->setVisible(editorType() == EditorType::kTFExpression && !error.empty());
}

void EditColumnDialog::accept() {
  const EditorType type = editorType();
  QWidget* name_field = showsNameList() ? static_cast<QWidget*>(name_list_) : name_edit_;
  const QString name = showsNameList() ? name_list_->currentText() : name_edit_->text();
  if (name.isEmpty()) {
    host_.messageBox(library_tables::kEmptyNameMessage, host::kComponentFileName);
    name_field->setFocus();
    return;
  }
  library_tables::SQLiteMetaDBVTabColumn column(column_);
  column.setName(name.toStdString());
  column.setKind(library_tables::editorKind(type, column.name()));
  column.setCollation(collation_->currentText().toStdString());
  column.setTagName(tag_name_->text().toStdString());
  // An emptied (disabled) separator field keeps the column's separator, so
  // that switching the split flag off later joins with it again.
  if (separator_->isEnabled()) column.setSeparator(separator_->text().toStdString());
  column.setSplitMultiValueTag(split_->isChecked());
  column.setAssociatedColumn(associated_->text().toStdString());
  column.setExpression(expression_->text().toStdString());

  const std::string refusal = mode_ == Mode::kAdd
                                  ? library_tables::addEditedColumn(list_, std::move(column))
                                  : library_tables::replaceEditedColumn(list_, index_, std::move(column));
  if (!refusal.empty()) {
    host_.messageBox(refusal, host::kComponentFileName);
    name_field->setFocus();
    return;
  }
  Dialog::accept();
}

bool EditColumnDialog::run() { return runModal(); }

}  // namespace ui
