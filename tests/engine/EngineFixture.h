#pragma once
// What the engine tests share: a folder for the inputs and one for the results, result names in
// Czech, and readers of what a run wrote.
#include <memory>

#include <QFileInfo>
#include <QSizeF>
#include <QStringList>
#include <QTemporaryDir>

#include <QFile>

#include <gtest/gtest.h>
#include <poppler/PDFDoc.h>
#include <poppler/Page.h>

#include "engine/PopplerSetup.h"
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

// The media box sizes of a PDF's pages in points (none when it does not open).
inline QList<QSizeF> pdfPageSizes(const QString& path)
{
    setUpPoppler();
    QList<QSizeF> sizes;
    PDFDoc document(std::make_unique<GooString>(QFile::encodeName(path).constData()));
    for (int i = 1; document.isOk() && i <= document.getNumPages(); ++i)
        sizes.append(QSizeF(document.getPageMediaWidth(i), document.getPageMediaHeight(i)));
    return sizes;
}

} // namespace kelvaro::test
