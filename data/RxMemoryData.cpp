#include "RxMemoryData.h"

#include "Codec1254.h"
#include "KeyIndex.h"
#include "RecordStore.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------------------------
// TRxMemoryData: definitions and state

TRxMemoryData::TRxMemoryData(QObject* parent) : QObject(parent)
{}

TRxMemoryData::~TRxMemoryData() = default;

TField* TRxMemoryData::addStringField(const QString& name, int characters)
{
    if (characters < 1)
        throw EDatabaseError("Invalid text field size");
    return addField(name, TFieldType::ftString, characters);
}

TField* TRxMemoryData::addIntegerField(const QString& name)
{
    return addField(name, TFieldType::ftInteger, 4);
}

TField* TRxMemoryData::addField(const QString& name, TFieldType type, int size)
{
    if (isOpen())
        throw EDatabaseError("Cannot change the fields of an open dataset");
    auto* f = new TField(this, fieldCount(), name, type, size, m_recordSize);
    m_fields.emplace_back(f);
    m_recordSize += 1 + f->dataSize();
    return f;
}

TField* TRxMemoryData::field(int index) const
{
    return index >= 0 && index < fieldCount() ? m_fields[static_cast<size_t>(index)].get() : nullptr;
}

int TRxMemoryData::fieldIndex(QAnyStringView name) const
{
    for (int i = 0; i < fieldCount(); ++i)
        if (QAnyStringView::compare(m_fields[static_cast<size_t>(i)]->fieldName(), name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TField* TRxMemoryData::findField(QAnyStringView name) const
{
    return field(fieldIndex(name));
}

TField* TRxMemoryData::fieldByName(QAnyStringView name) const
{
    TField* f = findField(name);
    if (!f)
        throw EDatabaseError("Field not found: " + name.toString().toUtf8());
    return f;
}

void TRxMemoryData::open()
{
    if (isOpen())
        return;
    if (m_fields.empty())
        throw EDatabaseError("Cannot open a dataset without fields");
    m_storage = std::make_unique<TRecordStore>(m_recordSize);
    if (m_keyField >= 0)
        m_keyIndex = std::make_unique<TKeyIndex>(*field(m_keyField));
    m_buffer = QByteArray(m_recordSize, '\0');
    m_cursor = -1;
    m_eof = m_bof = true;
    m_nextId = 1;
    m_modified = false;
    setState(dsBrowse);
    notify(&TRxMemoryData::dataSetChanged);
}

void TRxMemoryData::close()
{
    if (!isOpen())
        return;
    m_storage.reset();
    m_keyIndex.reset();
    m_cursor = -1;
    m_eof = m_bof = true;
    m_modified = false;
    m_insertPos = -1;
    setState(dsInactive);
    notify(&TRxMemoryData::dataSetChanged);
}

void TRxMemoryData::emptyTable()
{
    if (!isOpen())
        return;
    settle();
    discardRecords();
    notify(&TRxMemoryData::dataSetChanged);
}

void TRxMemoryData::discardRecords()
{
    m_storage = std::make_unique<TRecordStore>(m_recordSize);
    if (m_keyIndex)
        m_keyIndex->clear();
    m_cursor = -1;
    m_eof = m_bof = true;
    m_nextId = 1;
    m_loadFailed = false;
}

void TRxMemoryData::checkOpen() const
{
    if (!isOpen())
        throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void TRxMemoryData::checkEditing() const
{
    if (m_state != dsEdit && m_state != dsInsert)
        throw EDatabaseError("Dataset not in edit or insert mode");
}

void TRxMemoryData::setState(TDataSetState state)
{
    const TDataSetState before = m_state;
    m_state = state;
    announceState(before);
}

void TRxMemoryData::settle()
{
    requestCommit();
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    if (m_modified)
        post();
    else
        cancel();
}

int TRxMemoryData::recordCount() const
{
    return m_storage ? m_storage->count() : 0;
}

void TRxMemoryData::reserve(int records)
{
    if (m_storage && records > 0)
        m_storage->reserve(static_cast<size_t>(records));
    if (m_keyIndex && records > 0)
        m_keyIndex->reserve(static_cast<size_t>(records));
}

// ---------------------------------------------------------------------------------------------
// Cursor

void TRxMemoryData::first()
{
    checkOpen();
    settle();
    const int n = recordCount();
    m_cursor = n > 0 ? 0 : -1;
    m_bof = true;
    m_eof = n == 0;
    notifyCursor();
}

void TRxMemoryData::next()
{
    checkOpen();
    settle();
    const int n = recordCount();
    if (m_cursor + 1 < n)
    {
        ++m_cursor;
        m_eof = false;
    }
    else
        m_eof = true;
    m_bof = n == 0;
    notifyCursor();
}

void TRxMemoryData::prior()
{
    checkOpen();
    settle();
    const int n = recordCount();
    if (m_cursor > 0)
    {
        --m_cursor;
        m_bof = false;
    }
    else
        m_bof = true;
    m_eof = n == 0;
    notifyCursor();
}

void TRxMemoryData::last()
{
    checkOpen();
    settle();
    const int n = recordCount();
    m_cursor = n - 1;
    m_eof = true;
    m_bof = n == 0;
    notifyCursor();
}

void TRxMemoryData::moveTo(int row)
{
    checkOpen();
    if (m_state != dsBrowse && row == pendingRow())
        return;
    const int position = storedPositionOfRow(row);
    if (position < 0)
        return;
    // Settling may store or drop a pending insert (and a rule may delete a record), which
    // shifts positions: find the target again by its identity.
    const quint32 id = m_storage->idAt(position);
    settle();
    int target = -1;
    for (int p : {position, position + 1, position - 1})
        if (p >= 0 && p < recordCount() && m_storage->idAt(p) == id)
        {
            target = p;
            break;
        }
    if (target < 0)
        target = m_storage->positionOfId(id);
    if (target < 0)
        return;
    m_cursor = target;
    m_eof = m_bof = false;
    notifyCursor();
}

// ---------------------------------------------------------------------------------------------
// Rows as views see them

int TRxMemoryData::rowCount() const
{
    return recordCount() + (m_state == dsInsert ? 1 : 0);
}

int TRxMemoryData::currentIndex() const
{
    return m_state == dsInsert ? m_insertPos : m_cursor;
}

int TRxMemoryData::pendingRow() const
{
    if (m_state == dsInsert)
        return m_insertPos;
    if (m_state == dsEdit)
        return m_cursor;
    return -1;
}

int TRxMemoryData::storedPositionOfRow(int row) const
{
    if (!m_storage || row < 0)
        return -1;
    int position = row;
    if (m_state == dsInsert)
    {
        if (row == m_insertPos)
            return -1;
        if (row > m_insertPos)
            --position;
    }
    return position < m_storage->count() ? position : -1;
}

const char* TRxMemoryData::storedRecord(int position) const
{
    return m_storage && position >= 0 && position < m_storage->count() ? m_storage->at(position) : nullptr;
}

const char* TRxMemoryData::recordDataAt(int row) const
{
    if (!isOpen())
        return nullptr;
    if (m_state != dsBrowse && row == pendingRow())
        return m_buffer.constData();
    return storedRecord(storedPositionOfRow(row));
}

const char* TRxMemoryData::currentImage() const
{
    if (m_state == dsEdit || m_state == dsInsert)
        return m_buffer.constData();
    return storedRecord(m_cursor);
}

QString TRxMemoryData::textAt(int row, int f) const
{
    const TField* fd = field(f);
    return fd ? fd->displayIn(recordDataAt(row)) : QString();
}

QByteArray TRxMemoryData::bytesAt(int row, int f) const
{
    const TField* fd = field(f);
    return fd ? fd->bytesIn(recordDataAt(row)) : QByteArray();
}

qint32 TRxMemoryData::integerAt(int row, int f) const
{
    const TField* fd = field(f);
    return fd ? fd->numberIn(recordDataAt(row)) : 0;
}

bool TRxMemoryData::isNullAt(int row, int f) const
{
    const TField* fd = field(f);
    return !fd || fd->isNullIn(recordDataAt(row));
}

quint32 TRxMemoryData::identityAt(int row) const
{
    if (!isOpen())
        return 0;
    if (m_state != dsBrowse && row == pendingRow())
        return m_bufferId;
    const int p = storedPositionOfRow(row);
    return p >= 0 ? m_storage->idAt(p) : 0;
}

// ---------------------------------------------------------------------------------------------
// Current record

QString TRxMemoryData::fieldAsString(int f) const
{
    return textAt(currentIndex(), f);
}

QString TRxMemoryData::fieldAsString(QAnyStringView name) const
{
    return fieldAsString(fieldByName(name)->index());
}

QByteArray TRxMemoryData::fieldAsBytes(int f) const
{
    return bytesAt(currentIndex(), f);
}

QByteArray TRxMemoryData::fieldAsBytes(QAnyStringView name) const
{
    return fieldAsBytes(fieldByName(name)->index());
}

qint32 TRxMemoryData::fieldAsInteger(int f) const
{
    return integerAt(currentIndex(), f);
}

qint32 TRxMemoryData::fieldAsInteger(QAnyStringView name) const
{
    return fieldAsInteger(fieldByName(name)->index());
}

bool TRxMemoryData::fieldIsNull(int f) const
{
    return isNullAt(currentIndex(), f);
}

const TField& TRxMemoryData::pendingField(int f)
{
    checkEditing();
    const TField* fd = field(f);
    if (!fd)
        throw EDatabaseError("Field index out of range");
    return *fd;
}

void TRxMemoryData::fieldChanged()
{
    m_modified = true;
    notifyChanged(pendingRow());
}

void TRxMemoryData::setFieldBytes(int f, const QByteArray& value)
{
    pendingField(f).writeBytes(m_buffer.data(), value);
    fieldChanged();
}

void TRxMemoryData::setFieldBytes(QAnyStringView name, const QByteArray& value)
{
    setFieldBytes(fieldByName(name)->index(), value);
}

void TRxMemoryData::setFieldString(int f, const QString& value)
{
    setFieldBytes(f, Cp1254::fromUnicode(value));
}

void TRxMemoryData::setFieldString(QAnyStringView name, const QString& value)
{
    setFieldString(fieldByName(name)->index(), value);
}

void TRxMemoryData::setFieldInteger(int f, qint32 value)
{
    pendingField(f).writeInteger(m_buffer.data(), value);
    fieldChanged();
}

void TRxMemoryData::setFieldInteger(QAnyStringView name, qint32 value)
{
    setFieldInteger(fieldByName(name)->index(), value);
}

void TRxMemoryData::clearField(int f)
{
    pendingField(f).clearIn(m_buffer.data());
    fieldChanged();
}

QByteArray TRxMemoryData::recordImage() const
{
    const char* image = currentImage();
    return image ? QByteArray(image, m_recordSize) : QByteArray();
}

void TRxMemoryData::setRecordImage(const char* data, int size)
{
    checkEditing();
    const int n = std::clamp(size, 0, m_recordSize);
    if (n > 0)
        std::memcpy(m_buffer.data(), data, static_cast<size_t>(n));
    fieldChanged();
}

quint32 TRxMemoryData::recordIdentity() const
{
    return identityAt(currentIndex());
}

// ---------------------------------------------------------------------------------------------
// Editing

void TRxMemoryData::beginNew(int position)
{
    m_buffer.fill('\0', m_recordSize);
    // Views hear of the row before and after it appears, with nothing that could fail between.
    const TDataSetState before = m_state;
    notify(&TRxMemoryData::rowAboutToBeInserted, position);
    m_bufferId = m_nextId++;
    m_insertPos = position;
    m_modified = false;
    m_eof = m_bof = false;
    m_state = dsInsert;
    notify(&TRxMemoryData::rowInserted, position);
    announceState(before);
    notifyCursor();
}

void TRxMemoryData::append()
{
    checkOpen();
    settle();
    beginNew(recordCount());
}

void TRxMemoryData::insert()
{
    checkOpen();
    settle();
    beginNew(m_cursor < 0 ? 0 : m_cursor);
}

void TRxMemoryData::edit()
{
    checkOpen();
    if (m_state == dsEdit || m_state == dsInsert)
        return;
    if (recordCount() == 0)
    {
        insert();
        return;
    }
    m_buffer = QByteArray(m_storage->at(m_cursor), m_recordSize);
    m_bufferId = m_storage->idAt(m_cursor);
    m_modified = false;
    setState(dsEdit);
    notifyChanged(m_cursor);
}

void TRxMemoryData::post()
{
    checkOpen();
    requestCommit();
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    if (BeforePost)
        BeforePost(*this);
    // The rule may have cancelled or stored the record itself.
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    int row;
    if (m_state == dsEdit)
    {
        const quint32 slot = m_storage->slotAt(m_cursor);
        unindex(slot);
        std::memcpy(m_storage->slotData(slot), m_buffer.constData(), static_cast<size_t>(m_recordSize));
        index(slot);
        row = m_cursor;
    }
    else
    {
        row = std::clamp(m_insertPos, 0, recordCount());
        const quint32 slot = m_storage->insertAt(row, m_buffer.constData(), m_bufferId);
        try
        {
            index(slot);
        }
        catch (...)
        {
            m_storage->removeAt(row);
            throw;
        }
        m_cursor = row;
    }
    m_modified = false;
    m_loadFailed = false;
    m_insertPos = -1;
    m_eof = m_bof = false;
    setState(dsBrowse);
    notifyChanged(row);
    notifyCursor();
    if (AfterPost)
        AfterPost(*this);
}

void TRxMemoryData::cancel()
{
    checkOpen();
    // What an editor holds goes with the record it was typed into.
    requestCommit();
    if (m_state == dsInsert)
    {
        const int row = m_insertPos;
        notify(&TRxMemoryData::rowAboutToBeRemoved, row);
        m_insertPos = -1;
        m_modified = false;
        const int n = recordCount();
        if (m_cursor >= n)
            m_cursor = n - 1;
        m_eof = m_bof = n == 0;
        m_state = dsBrowse;
        notify(&TRxMemoryData::rowRemoved, row);
        announceState(dsInsert);
        notifyCursor();
    }
    else if (m_state == dsEdit)
    {
        m_modified = false;
        setState(dsBrowse);
        notifyChanged(m_cursor);
    }
}

void TRxMemoryData::deleteRecord()
{
    checkOpen();
    requestCommit();
    if (m_state == dsInsert)
    {
        cancel();
        return;
    }
    if (recordCount() == 0)
        throw EDatabaseError("Cannot perform this operation on an empty dataset");
    if (BeforeDelete)
        BeforeDelete(*this);
    if (m_state == dsInsert)
    {
        cancel();
        return;
    }
    if (recordCount() == 0 || m_cursor < 0)
        return;
    // A record being edited is removed without storing the edit.
    const TDataSetState before = m_state;
    const int position = m_cursor;
    unindex(m_storage->slotAt(position));
    notify(&TRxMemoryData::rowAboutToBeRemoved, position);
    m_storage->removeAt(position);
    m_modified = false;
    m_loadFailed = false;
    const int n = recordCount();
    m_cursor = std::min(position, n - 1);
    m_eof = m_bof = n == 0;
    m_state = dsBrowse;
    notify(&TRxMemoryData::rowRemoved, position);
    // The last record gone, identities start again from 1.
    if (n == 0)
        discardRecords();
    announceState(before);
    notifyCursor();
}

// ---------------------------------------------------------------------------------------------
// Locate and bookmarks

bool TRxMemoryData::locate(QAnyStringView fieldName, const QString& value, TLocateOptions options)
{
    checkOpen();
    const TField* fd = fieldByName(fieldName);
    settle();
    const int n = recordCount();
    if (n == 0)
        return false;

    const auto matches = fd->matcher(value, options & loCaseInsensitive, options & loPartialKey);
    int found = -1;
    if (m_cursor >= 0 && matches(m_storage->at(m_cursor)))
        found = m_cursor;
    for (int i = 0; found < 0 && i < n; ++i)
        if (matches(m_storage->at(i)))
            found = i;
    if (found < 0)
        return false;
    m_cursor = found;
    m_eof = m_bof = false;
    notifyCursor();
    return true;
}

TBookmark TRxMemoryData::getBookmark() const
{
    if (!isOpen() || m_state == dsInsert || m_cursor < 0)
        return 0;
    return m_storage->idAt(m_cursor);
}

bool TRxMemoryData::bookmarkValid(TBookmark bookmark) const
{
    return isOpen() && bookmark != 0 && bookmark <= 0xFFFFFFFFu &&
           m_storage->positionOfId(static_cast<quint32>(bookmark)) >= 0;
}

void TRxMemoryData::gotoBookmark(TBookmark bookmark)
{
    checkOpen();
    settle();
    int position = -1;
    if (bookmark != 0 && bookmark <= 0xFFFFFFFFu)
    {
        const auto id = static_cast<quint32>(bookmark);
        position = m_cursor >= 0 && m_storage->idAt(m_cursor) == id ? m_cursor : m_storage->positionOfId(id);
    }
    if (position < 0)
        throw EDatabaseError("Record not found");
    m_cursor = position;
    m_eof = m_bof = false;
    notifyCursor();
}

void TRxMemoryData::freeBookmark(TBookmark)
{}

// ---------------------------------------------------------------------------------------------
// Name index

void TRxMemoryData::setKeyIndexField(int f)
{
    if (f >= 0 && (!field(f) || field(f)->dataType() != TFieldType::ftString))
        throw EDatabaseError("The key index needs a text field");
    m_keyField = f;
    m_keyIndex.reset();
    if (f < 0 || !isOpen())
        return;
    m_keyIndex = std::make_unique<TKeyIndex>(*field(f));
    if (recordCount() > 0)
        m_keyIndex->defer();
}

void TRxMemoryData::deferKeyIndex()
{
    if (m_keyIndex)
        m_keyIndex->defer();
}

void TRxMemoryData::index(quint32 slot)
{
    if (m_keyIndex)
        m_keyIndex->insert(*m_storage, slot);
}

void TRxMemoryData::unindex(quint32 slot)
{
    if (m_keyIndex)
        m_keyIndex->remove(*m_storage, slot);
}

int TRxMemoryData::countKey(const QByteArray& upperKey, int limit) const
{
    return m_keyIndex && isOpen() ? m_keyIndex->count(*m_storage, upperKey, limit) : 0;
}

int TRxMemoryData::countKeyExact(const QByteArray& text, int limit) const
{
    return m_keyIndex && isOpen() ? m_keyIndex->countExact(*m_storage, text, limit) : 0;
}

// ---------------------------------------------------------------------------------------------
// Views

void TRxMemoryData::disableControls()
{
    // Editors write what they hold while their views still show the table as it is.
    requestCommit();
    ++m_disableCount;
}

void TRxMemoryData::enableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0)
        emit dataSetChanged();
}
