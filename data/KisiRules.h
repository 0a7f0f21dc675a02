#pragma once

#include "RxMemoryData.h"

#include <functional>

// While true, deleting a participant asks first. The duplicate removal clears it around its
// own deletion.
extern bool KisiDeleteConfirm;

// The participant record rules. The empty-name refusal and the duplicate removal act only
// while the definitions window exists (definitionsWindowExists() returns true); the delete
// question always. The duplicate check uses the table's index of upper-cased names instead of
// a scan, with the same outcome: the record just stored is the one removed.
class TKisiRules
{
public:
    TKisiRules(TRxMemoryData& table, std::function<bool()> definitionsWindowExists);
    ~TKisiRules();

    // Sets the table's BeforePost, AfterPost and BeforeDelete to the handlers below.
    void install();

    void Kisi_TBeforePost(TRxMemoryData& table);
    void Kisi_TAfterPost(TRxMemoryData& table);
    void Kisi_TBeforeDelete(TRxMemoryData& table);

private:
    bool definitionsWindowExists() const;
    static void tellDuplicate(TRxMemoryData& table, const QByteArray& key);
    int nameField(const TRxMemoryData& table) const;

    TRxMemoryData& m_table;
    std::function<bool()> m_definitionsWindowExists;
    int m_nameField = -1;
    bool m_installed = false;
};

// The participants stored by one import. The duplicate removal counts what it removes while the
// batch lasts; it shows its message for the first few duplicates, and at the next one asks once
// whether the remaining duplicates of the batch are removed without a message. A file that
// repeats one name a million times costs a few clicks, not a million boxes.
class TDuplicateBatch
{
public:
    explicit TDuplicateBatch(TRxMemoryData& table);
    ~TDuplicateBatch();
    TDuplicateBatch(const TDuplicateBatch&) = delete;
    TDuplicateBatch& operator=(const TDuplicateBatch&) = delete;

    static constexpr int MessagesBeforeQuestion = 5;

    int removed() const { return m_removed; }

private:
    friend class TKisiRules;
    static TDuplicateBatch* activeFor(const TRxMemoryData& table);

    TRxMemoryData& m_table;
    TDuplicateBatch* m_outer;
    int m_removed = 0;
    bool m_asked = false;
    bool m_quiet = false;
};
