#pragma once

#include "DataErrors.h"
#include "Field.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TKeyIndex;
class TRecordStore;

enum TDataSetState : int
{
    dsInactive = 0, // closed
    dsBrowse = 1,
    dsEdit = 2,
    dsInsert = 3,
};

enum TLocateOption : int
{
    loCaseInsensitive = 1,
    loPartialKey = 2,
};
using TLocateOptions = int;

// Names a record by its identity; 0 is "no bookmark".
using TBookmark = quint64;

// The in-memory table. Records are fixed-size record images (per field a presence byte and its
// payload, no padding) kept contiguously, plus at most one pending record being edited or
// inserted. Views address rows: the stored records in table order, with the pending inserted
// record shown at its position (so rowCount() is recordCount() + 1 while inserting).
//
// Every cursor move (and emptying) first settles a pending edit: a changed record is posted
// through the rules, an unchanged one is dropped. Rules are plain callbacks that may throw
// EAbort to refuse.
class TRxMemoryData : public QObject
{
    Q_OBJECT
public:
    using Event = std::function<void(TRxMemoryData& table)>;

    explicit TRxMemoryData(QObject* parent = nullptr);
    ~TRxMemoryData() override;

    // Field definitions, in declared order; only while the table is closed.
    TField* addStringField(const QString& name, int characters);
    TField* addIntegerField(const QString& name);
    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    TField* field(int index) const;                 // nullptr when out of range
    TField* findField(QAnyStringView name) const;   // case-insensitive; nullptr when missing
    TField* fieldByName(QAnyStringView name) const; // throws EDatabaseError when missing
    int fieldIndex(QAnyStringView name) const;      // -1 when missing

    // Open / close.
    void open();  // builds the layout; no records; cursor at the end
    void close(); // discards every record
    bool isOpen() const { return m_state != dsInactive; }
    bool active() const { return isOpen(); }
    TDataSetState state() const { return m_state; }
    void emptyTable(); // settles a pending edit, then discards every record; no delete events

    // Cursor.
    void first();
    void next();
    void prior();
    void last();
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    void moveTo(int row); // row as views count them; settles a pending edit first

    int recordCount() const;   // stored records; a record being inserted is not counted
    void reserve(int records); // room for that many records (a hint; loads use it)
    bool isEmpty() const { return recordCount() == 0; }

    // Current record (or the pending one while editing / inserting).
    QString fieldAsString(int field) const;
    QString fieldAsString(QAnyStringView name) const;
    QByteArray fieldAsBytes(int field) const;
    QByteArray fieldAsBytes(QAnyStringView name) const;
    qint32 fieldAsInteger(int field) const;
    qint32 fieldAsInteger(QAnyStringView name) const;
    bool fieldIsNull(int field) const;

    // Only while editing or inserting (EDatabaseError otherwise). A text keeps at most the
    // declared number of characters; characters outside code page 1254 become '?'.
    void setFieldString(int field, const QString& value);
    void setFieldString(QAnyStringView name, const QString& value);
    void setFieldBytes(int field, const QByteArray& value);
    void setFieldBytes(QAnyStringView name, const QByteArray& value);
    void setFieldInteger(int field, qint32 value);
    void setFieldInteger(QAnyStringView name, qint32 value);
    void clearField(int field);

    // Editing.
    void append();       // new record at the end, all bytes zero, insert state
    void insert();       // new record before the current one, insert state
    void edit();         // current record into edit state; on an empty table starts an insert
    void post();         // runs BeforePost (may abort: nothing stored, state kept), stores, AfterPost
    void cancel();       // drops the pending edit or insert
    void deleteRecord(); // on an insert: cancel; else BeforeDelete (may abort), then remove
    bool modified() const { return m_modified; }

    // Set by a load that could not read its file; storing, deleting or emptying records clears
    // it. While set, the table holds at most part of that file, which saves therefore leave alone.
    bool loadFailed() const { return m_loadFailed; }
    void markLoadFailed() { m_loadFailed = true; }

    // Finds a record whose field equals value: the current record first, then from the first.
    // On failure the cursor stays where it was. Settles a pending edit first.
    bool locate(QAnyStringView fieldName, const QString& value, TLocateOptions options = 0);

    // Bookmarks name a record by its identity, wherever it stands later.
    TBookmark getBookmark() const;         // 0 when there is no current stored record
    void gotoBookmark(TBookmark bookmark); // EDatabaseError when the record is gone
    bool bookmarkValid(TBookmark bookmark) const;
    void freeBookmark(TBookmark bookmark);

    // While suspended (nestable) views get no notification; the last resume sends one refresh.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    // Record image of the current (or pending) record.
    int recordSize() const { return m_recordSize; }
    QByteArray recordImage() const;
    // Copies bytes over the pending record's image (edit or insert state only); a shorter
    // source leaves the rest of the image as it was.
    void setRecordImage(const char* data, int size);

    // Identity of the current record (0 when none); counts up per table from 1 and restarts
    // when the table is emptied or its last record deleted.
    quint32 recordIdentity() const;

    // ---- Views: O(1) access by row without moving the cursor. Out-of-range rows or fields
    // read as empty / 0, so a view that is briefly out of step never fails.
    int rowCount() const;     // recordCount() plus the pending inserted row
    int currentIndex() const; // row of the cursor (the pending row while editing/inserting); -1 when none
    int pendingRow() const;   // row of the record being edited or inserted; -1 in browse
    QString textAt(int row, int field) const;
    QByteArray bytesAt(int row, int field) const;
    qint32 integerAt(int row, int field) const;
    bool isNullAt(int row, int field) const;
    quint32 identityAt(int row) const;
    const char* recordDataAt(int row) const; // recordSize() bytes; nullptr when out of range

    // Index of the upper-cased (Turkish, FUp2) text of one field, kept as records are stored,
    // deleted and emptied. countKey counts stored records whose upper-cased text equals key
    // byte for byte, stopping at limit.
    void setKeyIndexField(int field); // -1 switches it off
    int keyIndexField() const { return m_keyField; }
    int countKey(const QByteArray& upperKey, int limit) const;
    // Through the same index, stored records whose text equals text byte for byte.
    int countKeyExact(const QByteArray& text, int limit) const;
    // Stops keeping the index record by record; it is rebuilt in one pass at its next use.
    // Bulk loads call it: one pass is several times faster than a million single updates.
    void deferKeyIndex();

    // Events; each may throw EAbort to refuse (before-*) or stop the caller (after-*).
    Event BeforePost;
    Event AfterPost;
    Event BeforeDelete;

signals:
    // Open editors of the views write what they hold into the record now: the pending record
    // is about to be stored, dropped or left (a settle, post, cancel or delete, and so every
    // cursor move, emptying and save), or the views are about to be suspended. Not sent while
    // they are.
    void commitRequested();
    void dataSetChanged(); // refresh everything: opened, closed, emptied, loaded, resumed
    // A row is about to appear at row (a pending insert starts); the table still has its old
    // rows. rowInserted follows once the row is there.
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    // The row at row is about to go (a cancelled insert, a delete); it can still be read.
    // rowRemoved follows once it is gone.
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void recordChanged(int row);  // the contents of one row changed
    void cursorMoved(int row);    // the current row changed (or may have)
    void stateChanged(int state); // TDataSetState

private:
    TField* addField(const QString& name, TFieldType type, int size);
    void checkOpen() const;
    void checkEditing() const;
    void settle(); // post a modified pending record, drop an unchanged one
    void beginNew(int position);
    void setState(TDataSetState state);
    void discardRecords();
    int storedPositionOfRow(int row) const; // -1 for the pending inserted row / out of range
    const char* storedRecord(int position) const;
    const char* currentImage() const;      // pending buffer or current stored record; nullptr when none
    const TField& pendingField(int field); // EDatabaseError unless editing and the field exists
    void fieldChanged();
    void index(quint32 slot);
    void unindex(quint32 slot);

    // Notifications to the views, silent while they are suspended.
    template <class... Params, class... Args> void notify(void (TRxMemoryData::*signal)(Params...), Args... args)
    {
        if (m_disableCount == 0)
            (this->*signal)(args...);
    }
    void notifyChanged(int row) // row -1 (no pending row) tells nobody
    {
        if (row >= 0)
            notify(&TRxMemoryData::recordChanged, row);
    }
    void notifyCursor() { notify(&TRxMemoryData::cursorMoved, currentIndex()); }
    void announceState(TDataSetState before)
    {
        if (m_state != before)
            notify(&TRxMemoryData::stateChanged, int(m_state));
    }
    void requestCommit() { notify(&TRxMemoryData::commitRequested); }

    std::vector<std::unique_ptr<TField>> m_fields;
    std::unique_ptr<TRecordStore> m_storage;
    std::unique_ptr<TKeyIndex> m_keyIndex;
    int m_keyField = -1;
    int m_recordSize = 0;
    TDataSetState m_state = dsInactive;
    int m_cursor = -1; // stored position of the current record; -1 when empty
    bool m_eof = true;
    bool m_bof = true;
    // Pending record: its image, identity and, for an insert, the position it will take.
    QByteArray m_buffer;
    quint32 m_bufferId = 0;
    int m_insertPos = -1;
    bool m_modified = false;
    bool m_loadFailed = false;
    quint32 m_nextId = 1;
    int m_disableCount = 0;
};

// Suspends a table's views for the lifetime of the object.
class TControlsSuspension
{
public:
    explicit TControlsSuspension(TRxMemoryData& table) : m_table(table) { m_table.disableControls(); }
    ~TControlsSuspension() { m_table.enableControls(); }
    TControlsSuspension(const TControlsSuspension&) = delete;
    TControlsSuspension& operator=(const TControlsSuspension&) = delete;

private:
    TRxMemoryData& m_table;
};
