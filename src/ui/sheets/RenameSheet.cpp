#include "ui/sheets/RenameSheet.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSpinBox>

#include "engine/ImageEngine.h"
#include "l10n/Localization.h"
#include "platform/NativePath.h"
#include "ui/design/DesignSystem.h"

namespace kelvaro {

QString RenameSheet::example(const RenameSpec& spec, const QStringList& files)
{
    const QString first = files.isEmpty() ? QStringLiteral("foto.jpg") : QFileInfo(files.first()).fileName();
    return NativePath::displayName(ImageEngine::renamedFileName(spec, first, 0));
}

RenameSheet::RenameSheet(KelvaroStore& store, QWidget* parent)
    : OperationSheet(store, LKey("Přejmenovat"), QStringLiteral("character.cursor.ibeam"),
                     LKey("Přejmenovat kopie"), parent)
{
    m_name = new QLineEdit(this);
    m_name->setPlaceholderText(L("Nový název (prázdné = původní)"));
    m_name->setAccessibleName(m_name->placeholderText());
    m_name->setClearButtonEnabled(true);
    m_name->setTextMargins(4, 3, 4, 3);
    addContent(m_name);
    connect(m_name, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_spec.name = text;
        refresh();
    });

    m_numbered = new QCheckBox(L("Číslovat soubory"), this);
    m_numbered->setChecked(m_spec.numbered);
    addContent(m_numbered);
    connect(m_numbered, &QCheckBox::toggled, this, [this](bool on) {
        m_spec.numbered = on;
        refresh();
    });

    // The stepper reads as one phrase ("Začít od 1"): the number sits where the text puts it.
    m_start = new QSpinBox(this);
    const QString phrase = L("Začít od %lld");
    const qsizetype at = phrase.indexOf(QLatin1String("%lld"));
    m_start->setPrefix(at < 0 ? phrase + QLatin1Char(' ') : phrase.left(at));
    m_start->setSuffix(at < 0 ? QString() : phrase.mid(at + 4));
    m_start->setRange(0, maxStart);
    m_start->setValue(m_spec.start);
    m_start->setAccessibleName(phrase.left(at).trimmed());
    m_start->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    addContent(m_start);
    connect(m_start, &QSpinBox::valueChanged, this, [this](int start) {
        m_spec.start = start;
        refresh();
    });

    auto* exampleRow = new QHBoxLayout();
    exampleRow->setSpacing(6);
    auto* glyph = new SymbolView(QStringLiteral("doc"), 13, this);
    exampleRow->addWidget(glyph);
    m_example = new Text(QString(), TextStyle::callout, this);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(Theme::font(TextStyle::callout).pixelSize());
    m_example->setTextFont(mono);
    m_example->setColor(Theme::secondary());
    m_example->setElide(Qt::ElideMiddle);
    exampleRow->addWidget(m_example, 1);
    addContent(exampleRow);

    addCaption(L("Přejmenované kopie se uloží do tvé složky s výsledky, originály zůstanou beze změny."), TextStyle::caption);

    connect(&store, &KelvaroStore::droppedFilesChanged, this, &RenameSheet::refresh);
    refresh();
    m_name->setFocus();
}

void RenameSheet::refresh()
{
    m_start->setVisible(m_spec.numbered);
    const KelvaroStore* source = store();
    m_example->setText(example(m_spec, source ? source->droppedFiles() : QStringList()));
}

} // namespace kelvaro
