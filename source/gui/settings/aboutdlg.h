// The "&About" page (resource 503): the product picture and the version
// lines of the software, the protocol, the programmer and the database.
#pragma once

#include <string>
#include <vector>

#include <QWidget>

class QListWidget;
class QToolButton;

class clAboutDlg : public QWidget {
    Q_OBJECT

public:
    clAboutDlg(const std::vector<std::string>& lines, QWidget* parent);
    QListWidget* Lines() const { return m_pList; }

private:
    QListWidget* m_pList;
};

// The product picture: the programmer box with its socket.
QPixmap QkProductPicture(int width);
