#pragma once
// The privacy policy, a 520 × 520 dialog over the settings window: the heading and the policy's
// paragraphs in a scrolling column that has the keys on opening, and "Hotovo" (also Return or
// Escape) that closes it. The paragraph on update checks names the feed's host and is left out
// when the build checks for no updates. Texts are looked up when it is built. Main thread; the
// about page creates one each time the policy is opened.
#include <QDialog>
#include <QList>
#include <QPair>

namespace kelvaro {

class KelvaroButton;

namespace settings {

class PrivacyPolicyView : public QDialog {
    Q_OBJECT
public:
    // `feedHost` empty: no update checks in this build.
    explicit PrivacyPolicyView(const QString& feedHost, QWidget* parent = nullptr);

    // The (title, text) pairs shown, in the current language.
    static QList<QPair<QString, QString>> paragraphs(const QString& feedHost);
    KelvaroButton* doneButton() const { return m_done; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    KelvaroButton* m_done;
};

} // namespace settings
} // namespace kelvaro
