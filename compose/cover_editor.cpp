#include "compose/cover_editor.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "compose/cover_fields.h"
#include "compose/editor_buttons.h"
#include "compose/editor_placement.h"
#include "compose/zoom_button.h"
#include "platform/help_requests.h"
#include "richtext/wp_rich_text.h"
#include "settings/window_helpers.h"

namespace telvane {
namespace {
constexpr int kHelpCoverEditor = 1018;
constexpr int kDescriptionWidth = 35;  // DESCRIPT
}  // namespace

TCoverEditor::TCoverEditor(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TCoverEditor"));
  setWindowTitle(QStringLiteral("Cover Sheet Template Editor"));
  createEditor();
  createButtons();
  resize(820, 640);
  RestoreWindowPlacement(*this, false);
}

TCoverEditor::~TCoverEditor() = default;

void TCoverEditor::createEditor() {
  CoverDescription = new QLineEdit(this);
  CoverDescription->setObjectName(QStringLiteral("CoverDescription"));
  CoverDescription->setMaxLength(kDescriptionWidth);
  WPCover = new TWPRichText(this);
  WPCover->setObjectName(QStringLiteral("WPCover"));
  WPCover->StartSpellCheck = [this] { ShowSpellCheck(*WPCover, *this); };
  WPToolBar1 = new TWPToolBar(this);
  WPToolBar1->setObjectName(QStringLiteral("WPToolBar1"));
  WPToolBar1->SetEditor(WPCover);
  AddEditorButtons(*WPToolBar1, *WPCover, *this, false);
}

void TCoverEditor::createButtons() {
  const auto button = [this](const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromLatin1(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
  };
  InsertButton = button("InsertButton", "&Insert");
  InsertButton->setToolTip(QStringLiteral("Insert a field from the recipient data, or the current date and time"));
  InsertMenu = new QMenu(this);
  InsertMenu->setObjectName(QStringLiteral("InsertMenu"));
  for (const CoverField& field : kCoverFields) {
    QAction* item = InsertMenu->addAction(QString::fromLatin1(field.menuItem));
    connect(item, &QAction::triggered, this, [this, item] { InsertMenuItemClick(item->text()); });
  }
  connect(InsertButton, &QPushButton::clicked, this,
          [this] { InsertMenu->popup(InsertButton->mapToGlobal(InsertButton->rect().bottomLeft())); });
  ZoomBtn = new ZoomButton(this);
  ZoomBtn->target = [this] { return WPCover; };
  OKbutton = button("OKbutton", "&Accept");
  OKbutton->setToolTip(QStringLiteral("Ok - save changes to this template"));
  connect(OKbutton, &QPushButton::clicked, this, [this] { done(1); });
  CancelButton = button("CancelButton", "Cance&l");
  connect(CancelButton, &QPushButton::clicked, this, [this] { done(2); });
  HelpButton = button("HelpButton", "&Help");
  connect(HelpButton, &QPushButton::clicked, this, [] { RequestHelp(kHelpCoverEditor); });

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Description"), this));
  top->addWidget(CoverDescription, 1);
  top->addWidget(InsertButton);
  top->addWidget(ZoomBtn);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  for (QPushButton* b : {OKbutton, CancelButton, HelpButton}) bottom->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(WPToolBar1);
  layout->addWidget(WPCover, 1);
  layout->addLayout(bottom);
}

void TCoverEditor::InsertMenuItemClick(const QString& itemText) {
  const CoverField* field = CoverFieldForMenuItem(itemText);
  if (!field) return;
  WPCover->InsertInsertPoint(field->tag, QString::fromLatin1(field->caption), kCoverFieldMarker);
  WPCover->setFocus();
}

void TCoverEditor::FormActivate() {
  WPCover->Reformat();
  WPCover->CaretToStart();
}

void TCoverEditor::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  WPCover->SetPageLayout(PageLayoutTwips{});  // US Letter portrait, half-inch margins
  WPCover->viewport()->update();
}

void TCoverEditor::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TCoverEditor::done(int result) {
  SavePlacementOnClose(*this);
  QDialog::done(result);
}

}  // namespace telvane
