#include "PrintViewGenerator.h"

#include "platform/HtmlPage.h"

// Placeholder until the card generator lands: every layout ends at once without cards.
struct PrintViewGenerator::Layout {};

CardSettings CardSettings::fromUserDefaults() {
    return {};
}

PrintViewGenerator::PrintViewGenerator(Alerts* alerts, const QString& jobFolder, QObject* parent)
    : QObject(parent), m_alerts(alerts), m_jobFolder(jobFolder) {}

PrintViewGenerator::~PrintViewGenerator() = default;

bool PrintViewGenerator::setHTMLTemplate(const QString&) {
    return false;
}

void PrintViewGenerator::loadPreviewForRecipe(const ManagedObject*) {
    emit layoutFinished(false);
}

bool PrintViewGenerator::isRunning() const {
    return false;
}

CardStack PrintViewGenerator::cardStack() const {
    return {};
}

int PrintViewGenerator::cardCount() const {
    return 0;
}

QStringList PrintViewGenerator::cardPages() const {
    return {};
}

int PrintViewGenerator::renderCount() const {
    return 0;
}

HtmlPage* PrintViewGenerator::firstCard() const {
    return nullptr;
}
