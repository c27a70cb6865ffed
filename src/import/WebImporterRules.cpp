#include "WebImporterRules.h"

#include "library/IngredientRecords.h"
#include "library/LibrarySession.h"
#include "library/RecipesManagedObject.h"
#include "measure/IngredientsSorter.h"
#include "platform/ObjectContext.h"
#include "platform/TextFolding.h"
#include "present/HTMLTextWrapper.h"

namespace webimport {

QString addressFromTypedText(const QString& typed) {
    const QString text = typed.trimmed();
    for (const QLatin1String scheme :
         {QLatin1String("http://"), QLatin1String("file://"), QLatin1String("https://")})
        if (text.size() >= 7 && text.startsWith(scheme, Qt::CaseInsensitive))
            return text;
    return QStringLiteral("http://%1").arg(text);
}

QUrl searchAddress(const QString& text) {
    // The words are escaped one by one so that a "+" typed by the user stays a plus sign.
    QByteArrayList words;
    for (const QString& word : text.trimmed().split(QLatin1Char(' ')))
        words.append(QUrl::toPercentEncoding(word));
    return QUrl::fromEncoded("https://html.duckduckgo.com/html/?q=" + words.join('+'));
}

QString normalisedAddress(const QString& address) {
    QString result = address;
    return result.replace(QLatin1String("&amp;"), QLatin1String("&"));
}

const std::array<WebImportField, kFieldCount>& webImportFields() {
    static const std::array<WebImportField, kFieldCount> fields = {{
        {NameField, "titleButton", QT_TRANSLATE_NOOP("WebImporterController", "Name"), 'N', "name",
         QColor::fromRgbF(0.933f, 0.0f, 0.0f)},
        {DescriptionField, "descriptionButton", QT_TRANSLATE_NOOP("WebImporterController", "Description"),
         'E', "recipeDescription", QColor::fromRgbF(1.0f, 0.352f, 0.241f)},
        {IngredientsField, "ingredientsButton", QT_TRANSLATE_NOOP("WebImporterController", "Ingredients"),
         'I', "ingredientsArray", QColor::fromRgbF(1.0f, 0.5f, 0.0f)},
        {DirectionsField, "directionsButton", QT_TRANSLATE_NOOP("WebImporterController", "Directions"), 'D',
         "directions", QColor::fromRgbF(0.792f, 0.731f, 0.036f)},
        {NotesField, "notesButton", QT_TRANSLATE_NOOP("WebImporterController", "Notes"), 'T', "notes",
         QColor::fromRgbF(0.513f, 0.62f, 0.063f)},
        {YieldField, "yieldButton", QT_TRANSLATE_NOOP("WebImporterController", "Yield"), 'Y', "yield",
         QColor::fromRgbF(0.0f, 0.412f, 0.186f)},
        {CuisineField, "cuisineButton", QT_TRANSLATE_NOOP("WebImporterController", "Cuisine"), 'C', "cuisine",
         QColor::fromRgbF(0.16f, 0.526f, 0.544f)},
        {AttributionField, "atributionButton", QT_TRANSLATE_NOOP("WebImporterController", "Attribution"), 'A',
         "attribution", QColor::fromRgbF(0.296f, 0.54f, 0.996f)},
        {PrepTimeField, "prepTimeButton", QT_TRANSLATE_NOOP("WebImporterController", "Prep Time"), 'P',
         "prepTime", QColor::fromRgbF(0.0f, 0.0f, 1.0f)},
        {CookingTimeField, "cookingTimeButton", QT_TRANSLATE_NOOP("WebImporterController", "Cooking Time"),
         'O', "cookingTime", QColor::fromRgbF(0.362f, 0.0f, 1.0f)},
        {InactivePrepTimeField, "inactivePrepTimeButton",
         QT_TRANSLATE_NOOP("WebImporterController", "Inactive Prep Time"), 'M', "inactivePrepTime",
         QColor::fromRgbF(0.563f, 0.0f, 0.71f)},
    }};
    return fields;
}

const WebImportField* fieldForTag(int tag) {
    return tag >= 1 && tag <= kFieldCount ? &webImportFields()[size_t(tag - 1)] : nullptr;
}

QString fieldTitle(const WebImportField& field) {
    return QCoreApplication::translate("WebImporterController", field.title);
}

QColor standardColor() {
    return QColor::fromRgbF(0.854f, 0.854f, 0.854f);
}

QColor raisedImportColor() {
    return QColor::fromRgbF(0.296f, 0.54f, 0.996f);
}

bool WebImportAccumulators::append(int tag, const QString& selection, bool capitalize) {
    if (!fieldForTag(tag) || selection.isEmpty() || selection == QLatin1String("pboardString"))
        return false;
    QString text = selection;
    if (tag == NameField && capitalize)
        text = capitalizedWords(text);
    else if (tag == DirectionsField)
        text.replace(QLatin1String("\n"), QLatin1String("\n\n"));
    m_texts[size_t(tag - 1)].append(text);
    return true;
}

QString WebImportAccumulators::text(int tag) const {
    return fieldForTag(tag) ? m_texts[size_t(tag - 1)] : QString();
}

void WebImportAccumulators::clear() {
    m_texts = {};
}

RecipesManagedObject* makeManualRecipe(const ManualImport& import, LibrarySession& session) {
    ObjectContext* context = session.context();
    if (!context || !import.texts)
        return nullptr;
    auto* recipe = dynamic_cast<RecipesManagedObject*>(context->insertNewObject(QStringLiteral("Recipes")));
    if (!recipe)
        return nullptr;
    const WebImportAccumulators& texts = *import.texts;
    recipe->setValueForKey(true, QStringLiteral("isNewRecipe"));
    if (!import.importedFromURL.isEmpty())
        recipe->setValueForKey(import.importedFromURL, QStringLiteral("importedFromURL"));
    recipe->setValueForKey(import.keywords.join(QLatin1Char(',')), QStringLiteral("keywords"));
    for (const int tag : {AttributionField, CookingTimeField, CuisineField, InactivePrepTimeField, NotesField,
                          PrepTimeField, DescriptionField, NameField, YieldField})
        recipe->setValueForKey(texts.text(tag), QString::fromLatin1(fieldForTag(tag)->recipeKey));
    // The selections are plain text: escaped, so that a "<" in them stays a character, they
    // pass through the rich-text conversion, which reads the doubled line breaks as breaks.
    recipe->setValueForKey(HTMLTextWrapper::normalizedHTMLString(texts.text(DirectionsField).toHtmlEscaped()),
                           QStringLiteral("directions"));
    const IngredientsSorter sorter(context, session.libraryPath());
    IngredientRecords::setIngredientsOfRecipe(
        recipe, sorter.sortedIngredientsFromString(texts.text(IngredientsField)));
    return recipe;
}

} // namespace webimport
