#pragma once
// The first-run welcome, shown over the main window: three steps (the welcome with the language
// picker, the three wheels and their keys, the results folder) and a row of "Přeskočit", "Zpět"
// and the main button ("Dál", on the last step "Začít"; also Return). Finishing or skipping calls
// `onFinish`; the language and the folder take effect when chosen, also when the user skips
// afterwards. Every presentation starts at the welcome with the folder resolved again. A
// language chosen here retranslates the view in place. A shown view cross-fades from step to
// step (0.2 s, ease-in-out). Main thread; the screen factory builds one for each presentation of
// the main window's onboarding dialog.
#include <functional>
#include <optional>

#include <QWidget>

class QAbstractAnimation;
class QComboBox;
class QLabel;
class QStackedWidget;
class QVariantAnimation;

namespace kelvaro {

class KelvaroButton;
class Text;

class OnboardingView : public QWidget {
    Q_OBJECT
public:
    static constexpr int lastStep = 2;

    explicit OnboardingView(std::function<void()> onFinish, QWidget* parent = nullptr);

    int step() const { return m_step; }
    const std::optional<QString>& folder() const { return m_folder; }

    // The main button: the next step, or on the last one finishing.
    void advance();
    void back();
    void skip();
    void chooseFolder();

    KelvaroButton* mainButton() const { return m_main; }
    KelvaroButton* backButton() const { return m_back; }
    // The cross-fade between two steps; stopped once the shown step is fully drawn.
    QAbstractAnimation* stepTransition() const;

    static constexpr int transitionMs = 200;

private:
    QWidget* welcomeStep();
    QWidget* wheelsStep();
    QWidget* folderStep();
    void showStep(int step);
    void fadeTo(int step);
    void fadeStep(double progress);
    void endFade();
    void languagePicked(int index);
    void refreshTexts();

    std::function<void()> m_onFinish;
    int m_step = 0;
    std::optional<QString> m_folder;
    QStackedWidget* m_steps = nullptr;
    QVariantAnimation* m_fade = nullptr;
    QLabel* m_leaving = nullptr; // a picture of the step that fades out
    QComboBox* m_language = nullptr;
    Text* m_folderLine = nullptr;
    KelvaroButton* m_folderButton = nullptr;
    KelvaroButton* m_back = nullptr;
    KelvaroButton* m_main = nullptr;
};

} // namespace kelvaro
