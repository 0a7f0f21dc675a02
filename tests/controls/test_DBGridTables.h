#pragma once

#include "DBGridModel.h"
#include "DataSource.h"
#include "DrawTables.h"
#include "EAbort.h"
#include "Messages.h"
#include "RxMemoryData.h"

#include <QString>
#include <span>

// Small real tables for the grid tests: a text table shaped like the participants and an
// integer table shaped like the excluded ranges, with the ranges' row rule.
struct TextTable
{
    TRxMemoryData table;
    TDataSource source{&table};

    // The participant grid's columns.
    static QList<TDBGridColumn> columns() { return gridColumns(TDrawTables::KisiColumns); }

    TextTable()
    {
        table.setObjectName(QStringLiteral("Kisi_T"));
        defineKisi(table).open();
    }
    void add(const QString& name, const QString& extra = {})
    {
        table.append();
        table.setFieldString(0, name);
        table.setFieldString(1, extra);
        table.post();
    }
    void fill(int rows)
    {
        for (int i = 0; i < rows; ++i)
            add(QStringLiteral("Kişi %1").arg(i), QStringLiteral("İl %1").arg(i));
        table.first();
    }
};

struct RangeTable
{
    TRxMemoryData table;
    TDataSource source{&table};

    // The excluded ranges grid's columns.
    static QList<TDBGridColumn> columns() { return gridColumns(TDrawTables::RxColumns); }

    explicit RangeTable(bool withRule = true)
    {
        table.setObjectName(QStringLiteral("Rx_T"));
        defineRx(table).open();
        if (withRule)
            table.BeforePost = TDrawTables::Rx_TBeforePost;
    }
    void add(int from, int to)
    {
        table.append();
        table.setFieldInteger(0, from);
        table.setFieldInteger(1, to);
        table.post();
    }
};
