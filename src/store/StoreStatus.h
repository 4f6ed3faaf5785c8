#pragma once
// StoreStatus: what the status line says about the last thing the store did (the message and
// whether it is an error) and the files the last run wrote, with the input of each. Every part of
// the store that reports to the user writes here; a message that says changes did not reach the
// disk turns into what is true once they do. Owned by KelvaroStore; main thread.
#include <optional>

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

namespace kelvaro {

class StoreStatus : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const std::optional<QString>& statusMessage() const { return m_statusMessage; }
    void setStatusMessage(const std::optional<QString>& message);
    bool statusIsError() const { return m_statusIsError; }
    void setStatusIsError(bool isError);
    // Both at once, the message first. An error also gives errorReported.
    void setStatus(const std::optional<QString>& message, bool isError);
    // A message that says changes are not on disk, and the message (none: no message, never an
    // error) that takes its place once they are (changesSaved()). Any status set meanwhile ends it.
    void setUnsavedStatus(const QString& message, bool isError, const std::optional<QString>& whenSaved);
    // Every change is on disk now: an unsaved message still standing turns into its saved one,
    // keeping the details behind it.
    void changesSaved();
    // What stands behind the status message: each failed file's message of the last run (each
    // names its file). A new message clears it.
    const QStringList& statusDetails() const { return m_statusDetails; }
    void setStatusDetails(const QStringList& details);

    const QStringList& lastOutputs() const { return m_lastOutputs; } // absolute paths
    void setLastOutputs(const QStringList& outputs);
    // The last run's input of each output, by output path, as the engine named it. An output the
    // run combined from several inputs has none. Not observed: set before the outputs.
    const QMap<QString, QString>& lastSources() const { return m_lastSources; }
    void setLastSources(const QMap<QString, QString>& sources) { m_lastSources = sources; }

Q_SIGNALS:
    void statusMessageChanged();
    void statusIsErrorChanged();
    void statusDetailsChanged();
    void lastOutputsChanged();
    // An error message was given through setStatus, also one equal to the message already
    // shown: a failure met again is news to a screen that shows it only when it happens.
    void errorReported();

private:
    void assignMessage(const std::optional<QString>& message);
    void assignIsError(bool isError);

    std::optional<QString> m_statusMessage;
    bool m_statusIsError = false;
    QStringList m_statusDetails;
    QStringList m_lastOutputs;
    QMap<QString, QString> m_lastSources;
    // While an unsaved message stands: what it turns into once the changes are saved.
    std::optional<std::optional<QString>> m_whenSaved;
};

} // namespace kelvaro
