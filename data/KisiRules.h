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
    int nameField(const TRxMemoryData& table) const;

    TRxMemoryData& m_table;
    std::function<bool()> m_definitionsWindowExists;
    int m_nameField = -1;
    bool m_installed = false;
};
