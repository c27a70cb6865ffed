#include "CardPrintJobBackend.h"

#include "present/PrintView.h"
#include "present/PrintViewGenerator.h"

CardPrintJobBackend::CardPrintJobBackend(Alerts* alerts) : m_alerts(alerts) {}

CardPrintJobBackend::~CardPrintJobBackend() = default;

void CardPrintJobBackend::layOut(const ManagedObject* recipe, const QString& templatePath,
                                 const CardSettings& settings, const QString& jobFolder,
                                 std::function<void(std::optional<CardStack>)> done) {
    if (!m_generator)
        m_generator = new PrintViewGenerator(m_alerts, jobFolder, &m_owner);
    PrintViewGenerator* generator = m_generator;
    // A layout of a cancelled job that is still running is abandoned by this one; its end is
    // no longer reported.
    QObject::disconnect(m_finished);
    generator->setJobFolder(jobFolder);
    generator->setSettings(settings);
    generator->setHTMLTemplate(templatePath); // an unusable template is told by the layout
    m_finished =
        QObject::connect(generator, &PrintViewGenerator::layoutFinished, &m_owner,
                         [this, generator, done = std::move(done)](bool ok) {
                             QObject::disconnect(m_finished);
                             m_renders += generator->renderCount();
                             m_pageLoads += generator->pageLoadCount();
                             done(ok ? std::optional<CardStack>(generator->cardStack()) : std::nullopt);
                         });
    generator->loadPreviewForRecipe(recipe);
}

void CardPrintJobBackend::print(const QList<CardStack>& stacks, const QString& jobFolder, bool metricUnits,
                                PagePrinter* printer, std::function<void(bool)> done) {
    releaseGenerator();
    PrintView* view = viewOf(stacks, jobFolder);
    view->print(printer, metricUnits, [view, done = std::move(done)](bool ok) {
        view->deleteLater();
        done(ok);
    });
}

void CardPrintJobBackend::writePdf(const QList<CardStack>& stacks, const QString& jobFolder,
                                   const QString& path, bool metricUnits, std::function<void(bool)> done) {
    releaseGenerator();
    PrintView* view = viewOf(stacks, jobFolder);
    view->writePdf(path, metricUnits, [view, done = std::move(done)](bool ok) {
        view->deleteLater();
        done(ok);
    });
}

// Every stack placed below the ones before it.
PrintView* CardPrintJobBackend::viewOf(const QList<CardStack>& stacks, const QString& jobFolder) {
    auto* view = new PrintView(jobFolder, &m_owner);
    for (const CardStack& stack : stacks)
        view->addCardStack(stack);
    return view;
}

// The job's layouts are over: the generator and its engine page go (later, since this may
// run while the generator reports its end).
void CardPrintJobBackend::releaseGenerator() {
    QObject::disconnect(m_finished);
    if (m_generator)
        m_generator->deleteLater();
    m_generator = nullptr;
}
