#pragma once
// What the engine tests share: a folder for the inputs and one for the results, result names in
// Czech, and readers of what a run wrote.
#include <memory>

#include <QFileInfo>
#include <QSizeF>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <poppler/qt6/poppler-qt6.h>

#include "platform/Settings.h"

namespace kelvaro::test {

template <typename Base = ::testing::Test>
class InAndOut : public Base {
protected:
    void SetUp() override { Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs")); }
    QString in() const { return m_in.path(); }
    QString out() const { return m_out.path(); }

    QTemporaryDir m_in, m_out;
};

// The file names of a run's outputs, in order.
inline QStringList fileNames(const QStringList& paths)
{
    QStringList names;
    for (const QString& path : paths)
        names << QFileInfo(path).fileName();
    return names;
}

// The page sizes of a PDF in points (none when it does not open).
inline QList<QSizeF> pdfPageSizes(const QString& path)
{
    QList<QSizeF> sizes;
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    for (int i = 0; document && i < document->numPages(); ++i)
        sizes.append(document->page(i)->pageSizeF());
    return sizes;
}

} // namespace kelvaro::test
