#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class QSaveFile;

// Property lists in the standard encodings. In memory a property list is a QVariant:
// dictionaries are QVariantMap, arrays QVariantList, strings QString, integers qint64,
// reals double, booleans bool, dates QDateTime (UTC) and data QByteArray.

// The most bytes a property list read whole may take, and one element of the root array of
// a file read element by element (readPropertyListArrayFile): the readers refuse more, and
// PropertyListArrayWriter never writes an element larger than this, so what it writes can
// be read back.
constexpr qint64 kMaxPropertyListBytes = qint64(512) * 1024 * 1024;
// The limit in force: kMaxPropertyListBytes, unless a test lowered it to try values past it
// with small files (0 restores it).
qint64 propertyListByteLimit();
void setPropertyListByteLimitForTesting(qint64 bytes);

struct PropertyListResult {
    QVariant value;
    QString error; // empty when the read succeeded
    bool ok() const { return error.isEmpty(); }
};

// Reads an XML or a binary property list; the encoding is recognised from the bytes. XML
// is read in the character encoding its byte-order mark or declaration names (UTF-8
// otherwise). A binary list may refer to one value many times; one that would spell out
// more than 64 times its size (plus 1 MB) that way is refused, and so is XML whose tag or
// document type runs past its limit.
PropertyListResult readPropertyList(const QByteArray& data);
PropertyListResult readPropertyListFile(const QString& path);

// The XML encoding of value. Values of other QVariant types are written as strings.
// Characters XML 1.0 cannot carry (NUL and the other C0 controls but tab, line feed and
// carriage return, U+FFFE, U+FFFF, unpaired surrogates) are left out of texts and keys;
// *droppedCharacters, when given, says how many.
QByteArray xmlPropertyListData(const QVariant& value, qsizetype* droppedCharacters = nullptr);

// Writes value as an XML property list, atomically: a failure leaves the old file as it was.
bool writePropertyListFile(const QVariant& value, const QString& path, QString* error = nullptr);

// Reads a property list file whose root is an array one element at a time: visit gets each
// element in file order and returns false to stop early. An XML file is read in pieces, so
// memory holds about one element whatever the size of the file (an element is limited to
// kMaxPropertyListBytes); a binary file is read whole. Returns false with *error when the
// file cannot be opened, is not a property list, its root is not an array, or an element
// cannot be read; the elements before the fault have been visited by then, so a caller that
// must not act on part of a file reads it once to check it first.
//
// An XML element larger than the limit fails the read unless tooLarge is given: it is then
// passed over (its markup still checked, its bytes not kept) and tooLarge is called in its
// place, returning false to stop early.
bool readPropertyListArrayFile(const QString& path, const std::function<bool(const QVariant& element)>& visit,
                               QString* error = nullptr, const std::function<bool()>& tooLarge = {});

// The number of elements of the root array of a property list file, or -1 with *error when
// readPropertyListArrayFile() would fail on the file's structure. An XML element larger than
// the limit is counted when countTooLarge is set (a reader passing over it goes on) and
// fails the count otherwise. For an XML file only the
// markup is checked (the document is complete, tags are nested and closed); what is inside
// the elements is not decoded, so this costs a fraction of a full read.
qsizetype propertyListArrayFileCount(const QString& path, QString* error = nullptr,
                                     bool countTooLarge = false);

// Writes an XML property list whose root is an array one element at a time, so a large list
// never has to be in memory whole. The bytes are those of writePropertyListFile() for the
// same list. The file is replaced atomically by commit(); until then, and when the writer is
// destroyed without a commit or a step failed, the old file stays as it was and no
// temporary file is left behind.
class PropertyListArrayWriter {
public:
    explicit PropertyListArrayWriter(QString path);
    ~PropertyListArrayWriter();
    PropertyListArrayWriter(const PropertyListArrayWriter&) = delete;
    PropertyListArrayWriter& operator=(const PropertyListArrayWriter&) = delete;

    bool open(QString* error = nullptr);
    // Fails (and leaves the old file) when the element would take more than
    // kMaxPropertyListBytes; callers that must not fail measure first with elementBytes().
    bool append(const QVariant& element, QString* error = nullptr);
    // The bytes of element as append() writes it, as the readers count them against
    // kMaxPropertyListBytes (from its opening tag to its closing one).
    static qint64 elementBytes(const QVariant& element);
    // The bytes one more entry, key with data of that many bytes, adds to a dictionary
    // element; computed, not written, so a large picture costs nothing to measure.
    static qint64 dataEntryBytes(const QString& key, qint64 dataBytes);
    bool commit(QString* error = nullptr);
    // Characters left out of the texts and keys appended since open(), as
    // xmlPropertyListData() leaves them out.
    qsizetype droppedCharacters() const { return m_droppedCharacters; }

private:
    bool fail(const QString& reason, QString* error);
    bool write(const QByteArray& bytes, QString* error);

    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    qsizetype m_count = 0;
    qsizetype m_droppedCharacters = 0;
    bool m_failed = false;
};
