#include "source/gui/dump/dumpmime.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

void clQtDumpClipboard::Put(const std::string& text, const std::vector<unsigned char>* image)
{
    auto* data = new QMimeData;
    data->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    if (image != nullptr)
        data->setData(kBinImageMime,
                      QByteArray(reinterpret_cast<const char*>(image->data()), static_cast<qsizetype>(image->size())));
    QGuiApplication::clipboard()->setMimeData(data);
}

std::optional<std::vector<unsigned char>> clQtDumpClipboard::GetBinImage() const
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasFormat(kBinImageMime))
        return std::nullopt;
    const QByteArray bytes = data->data(kBinImageMime);
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

std::optional<std::string> clQtDumpClipboard::GetText() const
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasText())
        return std::nullopt;
    const QByteArray latin1 = data->text().toLatin1();
    return std::string(latin1.constData(), static_cast<std::size_t>(latin1.size()));
}
