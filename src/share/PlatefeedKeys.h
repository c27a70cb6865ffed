#pragma once

#include <QString>

// Record keys and feed constants that publishing and subscribing share.
namespace platefeedkeys {

inline const QString kName = QStringLiteral("name");
inline const QString kKey = QStringLiteral("platefeedPredicateKey");
inline const QString kPublishedID = QStringLiteral("publishedPlatefeedID");
inline const QString kLinkedID = QStringLiteral("linkedPlatefeedID");
inline const QString kAddress = QStringLiteral("platefeedAddress");
inline const QString kFeedName = QStringLiteral("platefeedName");
inline const QString kDeactivated = QStringLiteral("hasBeenDeactivated");
inline const QString kFeedModelVersion = QStringLiteral("2.3");
inline constexpr int kImageCount = 11;

} // namespace platefeedkeys
