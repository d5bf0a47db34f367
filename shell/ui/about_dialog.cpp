#include "shell/ui/about_dialog.h"

#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/ui/pictures.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace shell::ui {

namespace {

constexpr int kVersionString = 131;
constexpr int kNoticeString = 132;
constexpr int kProductIdString = 133;

} // namespace

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(DialogString(kAboutDialog, 0, "关于 Ostrel"));
    auto* picture = new QLabel;
    picture->setPixmap(IconPicture(resources::kIconApplication).pixmap(32, 32));
    picture->setAlignment(Qt::AlignTop);

    auto* title = new QLabel(StringText(kProductTitleString) + ' ' + StringText(kVersionString));
    title->setObjectName("aboutTitle");
    auto* notice = new QLabel(StringText(kNoticeString));
    notice->setWordWrap(true);
    auto* productId = new QLabel(StringText(kProductIdString));

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(productId);
    texts->addWidget(notice);
    auto* row = new QHBoxLayout;
    row->addWidget(picture);
    row->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

} // namespace shell::ui
