#include "Catalogue.h"

#include "DriveUtils.h"
#include "FileNameBytes.h"

#include <QDir>
#include <QFile>

#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

constexpr int kNameColumn = 1;

#ifndef Q_OS_UNIX
QString fileNameOf(const std::filesystem::path &path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.filename().native());
#else
    return DecodeFileName(QByteArray(path.filename().native().c_str()));
#endif
}

std::filesystem::path toFsPath(const QString &path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return FileSystemPath(path);
#endif
}
#endif

#ifdef Q_OS_UNIX
// Whether a raw directory entry name can be a clip: one of the three prefixes, ".avi" in any
// case at the end. ClassifyRecordingName decides after decoding.
bool looksLikeClip(const char *name, size_t length)
{
    if (std::memcmp(name, "rec_", 4) != 0 && std::memcmp(name, "evt_", 4) != 0 &&
        std::memcmp(name, "pmr_", 4) != 0)
        return false;
    const char *extension = name + length - 4;
    return extension[0] == '.' && (extension[1] | 0x20) == 'a' && (extension[2] | 0x20) == 'v' &&
           (extension[3] | 0x20) == 'i';
}

// Whether the entry is a regular file itself: a camera writes no links, FIFOs or devices, and
// a card that holds them is not to be read through them.
bool isRegularFile(int folderFd, const dirent *entry)
{
    if (entry->d_type != DT_UNKNOWN)
        return entry->d_type == DT_REG;
    struct stat status;
    return fstatat(folderFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(status.st_mode);
}
#endif

} // namespace

int CCatalogue::FilterCaptionId(int kindFilter)
{
    switch (kindFilter) {
    case FilterEvent:
        return 3416;
    case FilterParking:
        return 3415;
    case FilterNormal:
        return 3414;
    default:
        return 3410;
    }
}

int CCatalogue::NextKindFilter(int kindFilter)
{
    return kindFilter >= FilterAll && kindFilter < FilterNormal ? kindFilter + 1 : FilterAll;
}

QStringList &CCatalogue::namesOf(RecordingKind kind)
{
    switch (kind) {
    case RecordingKind::Event:
        return m_eventNames;
    case RecordingKind::Parking:
        return m_parkingNames;
    case RecordingKind::Normal:
        break;
    }
    return m_normalNames;
}

void CCatalogue::clearNames()
{
    m_eventNames.clear();
    m_parkingNames.clear();
    m_normalNames.clear();
}

bool CCatalogue::IsEmpty() const
{
    return m_eventNames.isEmpty() && m_parkingNames.isEmpty() && m_normalNames.isEmpty();
}

bool CCatalogue::ScanFolder(QString &path)
{
    clearNames();
    if (path.isEmpty())
        return false;
    EnsureTrailingBackslash(path);

    // One pass in directory order; each kind keeps the order in which its names came.
#ifdef Q_OS_UNIX
    DIR *folder = opendir(EncodeFileName(path).constData());
    if (!folder)
        return false;
    const int folderFd = dirfd(folder);
    while (const dirent *entry = readdir(folder)) {
        // Cheap checks on the raw name first: most entries are drive-data files.
        const char *raw = entry->d_name;
        const size_t length = std::strlen(raw);
        if (length < 8 || !looksLikeClip(raw, length))
            continue;
        // Every byte of the name is kept, so that a name that is not UTF-8 still reaches its file.
        const QString name = DecodeFileName(QByteArray::fromRawData(raw, qsizetype(length)));
        const auto kind = ClassifyRecordingName(name);
        if (!kind || !isRegularFile(folderFd, entry))
            continue;
        namesOf(*kind).append(name);
    }
    closedir(folder);
#else
    std::error_code error;
    std::filesystem::directory_iterator it(toFsPath(path), error);
    if (error)
        return false;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(error)) {
        if (error)
            break;
        const QString name = fileNameOf(it->path());
        const auto kind = ClassifyRecordingName(name);
        // A folder, link or pipe named like a clip is not a recording.
        std::error_code typeError;
        if (!kind || !std::filesystem::is_regular_file(it->symlink_status(typeError)))
            continue;
        namesOf(*kind).append(name);
    }
#endif
    return !IsEmpty();
}

void CCatalogue::FillList()
{
    if (!m_list)
        return;
    m_list->DeleteAllRows();

    QList<RecordingEntry> entries;
    entries.reserve(m_eventNames.size() + m_parkingNames.size() + m_normalNames.size());
    const auto add = [&entries](const QStringList &names) {
        for (const QString &name : names) {
            if (auto entry = MakeRecordingEntry(name))
                entries.append(std::move(*entry));
        }
    };
    if (m_kindFilter == FilterAll || m_kindFilter == FilterEvent)
        add(m_eventNames);
    if (m_kindFilter == FilterAll || m_kindFilter == FilterParking)
        add(m_parkingNames);
    if (m_kindFilter == FilterAll || m_kindFilter == FilterNormal)
        add(m_normalNames);
    m_list->AppendEntries(entries);
    m_list->SortByColumn(kNameColumn, false);
}

void CCatalogue::sortAndAnnounce()
{
    if (!m_list)
        return;
    m_list->AdjustLastColumn();
    m_list->SetAscending(true);
    m_list->SortByColumn(kNameColumn, true);
}

bool CCatalogue::LoadFolder(QString path)
{
    if (m_list)
        m_list->SetFilterCaption(FilterCaptionId(FilterAll));
    m_kindFilter = FilterAll;

    if (ScanFolder(path)) {
        FillList();
        m_folderPath = path;
        sortAndAnnounce();
        emit FolderLoaded(m_folderPath);
        emit RowToOpen(0);
        return true;
    }

    emit Emptied();
    if (m_list)
        m_list->DeleteAllRows();
    clearNames();
    m_currentIndex = 0;
    m_currentStem.clear();
    m_currentFileName.clear();
    return false;
}

bool CCatalogue::AutoLoadCard(const QStringList &drives)
{
    if (m_list)
        m_list->SetFilterCaption(FilterCaptionId(FilterAll));
    bool found = false;
    for (const QString &drive : drives) {
        QString root = drive;
        if (ScanFolder(root)) {
            m_folderPath = root;
            FillList();
            found = true;
            break;
        }
    }
    if (!drives.isEmpty())
        sortAndAnnounce();
    if (found)
        emit FolderLoaded(m_folderPath);
    return found;
}

void CCatalogue::Clear()
{
    clearNames();
    m_folderPath.clear();
    m_kindFilter = FilterAll;
    if (m_list)
        m_list->SetFilterCaption(FilterCaptionId(FilterAll));
    m_currentIndex = 0;
    m_currentStem.clear();
    m_currentFileName.clear();
}

void CCatalogue::CycleKindFilter()
{
    m_kindFilter = NextKindFilter(m_kindFilter);
    if (m_list)
        m_list->SetFilterCaption(FilterCaptionId(m_kindFilter));
    emit KindFilterChanged(m_kindFilter);
    FillList();
    sortAndAnnounce();
    emit RowToOpen(0);
}

void CCatalogue::RelocateCurrent()
{
    if (!m_list)
        return;
    const int rows = m_list->RowCount();
    int found = -1;
    // The file name is unique; the stem is not when two kinds share one.
    if (!m_currentFileName.isEmpty()) {
        for (int row = 0; row < rows && found < 0; ++row) {
            if (m_list->RowFileName(row) == m_currentFileName &&
                m_list->GetCellText(row, kNameColumn) == m_currentStem)
                found = row;
        }
    }
    for (int row = 0; row < rows && found < 0; ++row) {
        if (m_list->GetCellText(row, kNameColumn) == m_currentStem)
            found = row;
    }
    if (found >= 0)
        m_currentIndex = found;

    m_list->SelectOnly(m_currentIndex);
    if (m_currentIndex >= 0 && m_currentIndex < rows) {
        m_currentStem = m_list->GetCellText(m_currentIndex, kNameColumn);
        m_currentFileName = m_list->RowFileName(m_currentIndex);
    }
    showTitle();
}

void CCatalogue::MakeCurrent(int row)
{
    if (!m_list)
        return;
    m_currentIndex = row;
    if (row < 0 || row >= m_list->RowCount())
        return;
    m_currentStem = m_list->GetCellText(row, kNameColumn);
    m_currentFileName = m_list->RowFileName(row);
    showTitle();
}

void CCatalogue::RemoveName(RecordingKind kind, const QString &clipPath)
{
    QString name = clipPath;
    if (!m_folderPath.isEmpty() && name.startsWith(m_folderPath))
        name = name.mid(m_folderPath.size());
    namesOf(kind).removeOne(name);
}

QString CCatalogue::TitleText() const
{
    if (m_currentStem.isEmpty())
        return QString();
    const int rows = m_list ? m_list->RowCount() : 0;
    return m_currentStem + QString::asprintf("(%d/%d)", m_currentIndex + 1, rows);
}

void CCatalogue::showTitle()
{
    if (!m_currentStem.isEmpty())
        emit TitleChanged(TitleText());
}

int CCatalogue::RowOfFile(const QString &path) const
{
    const QString wanted = QDir::cleanPath(path);
    for (int row = 0; m_list && row < m_list->RowCount(); ++row) {
        const QString clip = ClipPathAt(row);
        if (clip == wanted || DriveDataPath(clip) == wanted)
            return row;
    }
    return -1;
}

QString CCatalogue::ClipPathAt(int row) const
{
    if (!m_list || row < 0 || row >= m_list->RowCount())
        return QString();
    QString name = m_list->RowFileName(row);
    if (name.isEmpty())
        name = RecordingFileName(m_list->GetCellText(row, 0), m_list->GetCellText(row, 1));
    return m_folderPath + name;
}
