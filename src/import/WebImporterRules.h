#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <array>

class LibrarySession;
class RecipesManagedObject;

// What the web importer's window decides without any widget: the address and search
// rules, the eleven fields a selection goes into, the texts collected for them, the
// state of the import bar and the recipe a manual import makes.
namespace webimport {

// The address the page view loads for what the user typed: texts that do not begin with
// "http://" or "file://" (ignoring case; anything shorter than seven characters counts as
// not beginning with either) get "http://" put in front. A secure address typed in full
// is loaded as typed too.
QString addressFromTypedText(const QString& typed);

// A web search for the text: each space becomes "+", sent as the query parameter q.
QUrl searchAddress(const QString& text);

// An address as the importer compares it: every "&amp;" replaced by "&".
QString normalisedAddress(const QString& address);

// One of the eleven fields a selection can be added to. tag is the position (1 to 11) in
// the context menu, key the letter of its Ctrl+Shift shortcut.
struct WebImportField {
    int tag;
    const char* buttonName;
    const char* title; // translated in the "WebImporterController" context
    char key;
    const char* recipeKey;
    QColor colour;
};
constexpr int kFieldCount = 11;
enum FieldTag {
    NameField = 1,
    DescriptionField,
    IngredientsField,
    DirectionsField,
    NotesField,
    YieldField,
    CuisineField,
    AttributionField,
    PrepTimeField,
    CookingTimeField,
    InactivePrepTimeField
};
const std::array<WebImportField, kFieldCount>& webImportFields();
// The field of a tag, or null for a tag outside 1 to 11.
const WebImportField* fieldForTag(int tag);
QString fieldTitle(const WebImportField& field);
// The grey of a field button with nothing collected, and the Import button's raised blue.
QColor standardColor();
QColor raisedImportColor();

// The texts collected for the eleven fields, in the order the user added them.
class WebImportAccumulators {
public:
    // Adds a selection to the field of tag after the field's rules (Name capitalised when
    // capitalize is set, Directions with every line break doubled); an empty selection or
    // the placeholder "pboardString" adds nothing. Returns whether anything was added.
    bool append(int tag, const QString& selection, bool capitalize);
    QString text(int tag) const;
    bool isEmpty(int tag) const { return text(tag).isEmpty(); }
    void clear();

private:
    std::array<QString, kFieldCount> m_texts;
};

// The import bar: lowered (field buttons shown), raised (an import is offered), or fully
// raised (the editor fills the page area).
class ImportBar {
public:
    enum class State { Lowered, Raised, FullyRaised };
    State state() const { return m_state; }
    // A raise asked by the importer itself while raised collapses the bar; any other raise
    // (an extractor that found a recipe, the first step of a manual import) raises it.
    void raise(bool byImporter) {
        m_state = (m_state != State::Lowered && byImporter) ? State::FullyRaised : State::Raised;
    }
    void lower() { m_state = State::Lowered; }
    bool isRaised() const { return m_state != State::Lowered; }
    bool isFullyRaised() const { return m_state == State::FullyRaised; }

private:
    State m_state = State::Lowered;
};

// What a manual import puts into a new recipe.
struct ManualImport {
    const WebImportAccumulators* texts = nullptr;
    QStringList keywords;
    QString importedFromURL; // empty for text pasted into the text view
};

// A new, unsaved recipe (isNewRecipe) in the session's context: the collected texts as
// they stand, the directions through the rich-text conversion, the ingredients parsed into
// rows. Null when the context makes no record.
RecipesManagedObject* makeManualRecipe(const ManualImport& import, LibrarySession& session);

} // namespace webimport
