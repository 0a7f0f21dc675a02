#include "FileDialogs.h"

#include "Codec1254.h"
#include "Messages.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>

namespace {

// Sizes and dates in Turkish whatever the system's language: the file model writes them in the
// system's locale ("3 bytes", "10 Dec 2026"), which no translation reaches.
class TurkishFileDetails : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || (index.column() != 1 && index.column() != 3))
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
        if (index.column() == 3)
            return turkish.toString(files->lastModified(source), QLocale::ShortFormat);
        // Folders show no size, as in the model itself.
        return files->isDir(source) ? QString() : turkish.formattedDataSize(files->size(source));
    }
};

FileDialogHandler& handler()
{
    static FileDialogHandler current;
    return current;
}

QString runDialog(QWidget* parent, const FileDialogRequest& request)
{
    QFileDialog dialog(parent, request.title);
    // Qt's own dialog everywhere: the default extension, the case-blind patterns and the
    // descriptions shown as given behave the same on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setProxyModel(new TurkishFileDetails(&dialog));
    if (request.kind == FileDialogRequest::Save)
    {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(request.defaultExt);
    }
    else
    {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!request.initialDir.isEmpty())
        dialog.setDirectory(request.initialDir);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : QFileInfo(chosen.first()).absoluteFilePath();
}

QString show(QWidget* parent, const FileDialogRequest& request)
{
    const FileDialogHandler h = handler();
    return h ? h(parent, request) : runDialog(parent, request);
}

} // namespace

QStringList qtNameFilters(const QString& vclFilter)
{
    QStringList result;
    const QStringList parts = vclFilter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    {
        QStringList patterns;
        for (const QString& raw : parts.at(i + 1).split(QLatin1Char(';')))
        {
            const QString p = raw.trimmed();
            if (p.isEmpty())
                continue;
            patterns << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
        }
        if (patterns.isEmpty())
            continue;
        // Qt separates patterns by blanks and reads them from the parentheses at the end.
        const QString description = parts.at(i).trimmed();
        result << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result;
}

QString withDefaultExtension(const QString& fileName, const QString& ext)
{
    if (fileName.isEmpty() || ext.isEmpty())
        return fileName;
    const QString last = QFileInfo(fileName).fileName();
    const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && dot < last.size() - 1)
        return fileName;
    // "kazananlar." gets the extension after its own dot, not a second one.
    if (dot == last.size() - 1)
        return fileName + ext;
    return fileName + QLatin1Char('.') + ext;
}

QString getOpenFileName(QWidget* parent, const QString& title, const QString& initialDir, const QString& vclFilter)
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Open;
    request.title = title;
    request.initialDir = initialDir;
    request.filter = vclFilter;
    return show(parent, request);
}

QString getSaveFileName(QWidget* parent, const QString& title, const QString& initialDir, const QString& vclFilter,
                        const QString& defaultExt)
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Save;
    request.title = title;
    request.initialDir = initialDir;
    request.filter = vclFilter;
    request.defaultExt = defaultExt;
    const QString chosen = show(parent, request);
    // The dialog adds the extension only to a name without any dot and asked about the name as
    // typed: "sonuc." is completed here, so the question about replacing a file is asked here.
    const QString fileName = withDefaultExtension(chosen, defaultExt);
    if (fileName != chosen && QFileInfo::exists(fileName) && AskSoru(overwriteQuestion(fileName)) != mrYes)
        return {};
    return fileName;
}

QString overwriteQuestion(const QString& fileName)
{
    return QStringLiteral("\"%1\" dosyası zaten var. Üzerine yazılsın mı?").arg(QDir::toNativeSeparators(fileName));
}

bool checkStorablePath(const QString& path)
{
    if (Cp1254::canEncode(path))
        return true;
    ShowBilgi(unstorablePathText(path));
    return false;
}

QString unstorablePathText(const QString& path)
{
    return QStringLiteral("Seçilen dosyanın yolunda programın saklayamadığı karakterler var:\n\"%1\"\nBu yol "
                          "saklanırsa program yeniden açıldığında dosya bulunamaz, bu yüzden seçim kullanılmadı. "
                          "Dosyayı adında bu karakterler olmayan bir klasöre taşıyıp ya da yeniden adlandırıp tekrar "
                          "seçiniz.")
        .arg(QDir::toNativeSeparators(path));
}

FileDialogHandler setFileDialogHandler(FileDialogHandler h)
{
    return std::exchange(handler(), std::move(h));
}
