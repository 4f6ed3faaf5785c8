// The reason a failed save names: each cause the user can act on gets its own words.
#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

#include "l10n/SaveFailure.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"

using namespace kelvaro;

// Errors of one cause share a sentence, and no two causes do: a read-only disk is no missing
// permission, a quota no full disk. An error without words of ours is told in the system's.
TEST(SaveFailure, eachCauseHasItsOwnWords)
{
    const struct {
        int error;
        const char* cause;
        const char* says; // a piece of the sentence; nullptr: the system's text
    } rows[] = {
        {ENOSPC, "full", "není místo"},
        {EDQUOT, "quota", "kvóta"},
        {EROFS, "read-only", "jen pro čtení"},
        {EACCES, "permission", "oprávnění"},
        {EPERM, "permission", "oprávnění"},
        {EIO, "device", "chybu"},
        {EBUSY, "in use", "jiný program"},
        {ENAMETOOLONG, "other", nullptr},
    };
    Settings::shared().setValue(QString::fromLatin1(SettingsKey::language), QStringLiteral("cs"));
    for (const auto& row : rows) {
        SCOPED_TRACE(std::strerror(row.error));
        const QString reason = saveFailureReason(row.error);
        if (row.says) {
            EXPECT_TRUE(reason.contains(QString::fromUtf8(row.says))) << reason.toStdString();
        } else {
            EXPECT_EQ(reason, QString::fromLocal8Bit(std::strerror(row.error)));
        }
        for (const auto& other : rows) {
            if (&other != &row) {
                EXPECT_EQ(reason == saveFailureReason(other.error), std::strcmp(row.cause, other.cause) == 0)
                    << row.cause << " and " << other.cause;
            }
        }
    }
}
