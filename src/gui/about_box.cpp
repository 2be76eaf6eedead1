#include "gui/about_box.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/texts.h"

namespace halvoran {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    // Its texts are not bilingual: the English title and the version, always.
    setWindowTitle(QStringLiteral("About Config Tool"));
    setObjectName(QStringLiteral("AboutBox"));

    auto* group = new QGroupBox(this);
    auto* name = new QLabel(QString::fromUtf8(text::WindowTitle.English), group);
    auto* version = new QLabel(QString::fromUtf8(text::Version), group);
    auto* row = new QHBoxLayout(group);
    row->addWidget(name);
    row->addWidget(version);
    row->addStretch();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* column = new QVBoxLayout(this);
    column->addWidget(group);
    column->addStretch();
    column->addWidget(ok, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint().expandedTo(QSize(330, 170)));
}

}  // namespace halvoran
