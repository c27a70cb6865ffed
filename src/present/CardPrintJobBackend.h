#pragma once

#include "present/PrintingController.h"

#include <QMetaObject>
#include <QObject>

class Alerts;
class PrintView;
class PrintViewGenerator;

// The card generator and the print view behind a print job. The recipes of a job are laid
// out one after another by one generator, so the engine page it measures with is loaded
// once for the job (see PrintViewGenerator::setJobFolder); the generator is let go when the
// job's cards are handed to the printer or written as a PDF. One print view per output.
class CardPrintJobBackend final : public PrintJobBackend {
public:
    explicit CardPrintJobBackend(Alerts* alerts);
    ~CardPrintJobBackend() override;

    void layOut(const ManagedObject* recipe, const QString& templatePath, const CardSettings& settings,
                const QString& jobFolder, std::function<void(std::optional<CardStack>)> done) override;
    void print(const QList<CardStack>& stacks, const QString& jobFolder, bool metricUnits,
               PagePrinter* printer, std::function<void(bool)> done) override;
    void writePdf(const QList<CardStack>& stacks, const QString& jobFolder, const QString& path,
                  bool metricUnits, std::function<void(bool)> done) override;

    // What the layouts this backend ran took: renders, and of them page loads.
    int renderCount() const { return m_renders; }
    int pageLoadCount() const { return m_pageLoads; }

private:
    PrintView* viewOf(const QList<CardStack>& stacks, const QString& jobFolder);
    void releaseGenerator();

    Alerts* m_alerts;
    QObject m_owner;                           // the generator and the running views end with the backend
    PrintViewGenerator* m_generator = nullptr; // a child of m_owner
    QMetaObject::Connection m_finished;
    int m_renders = 0;
    int m_pageLoads = 0;
};
