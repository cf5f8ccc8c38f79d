#include "MessageBoxService.h"

#include <QMessageBox>

namespace mapdesk {

void MessageBoxService::show(const QString &text, const QString &title)
{
    QMessageBox box(m_owner);
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

} // namespace mapdesk
