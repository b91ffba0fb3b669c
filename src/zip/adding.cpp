// Adding files: the file search, the registration of each file in the
// working directory and the run that commits them.
#include "zip/archiver.h"

#include "zip/codepage.h"
#include "zip/safefs.h"
#include "zip/wildcard.h"
#include "zip/zipstream.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hsa::zip {

namespace {

std::string Slashes(std::string s)
{
    for (auto& c : s)
        if (c == '\\')
            c = '/';
    return s;
}

bool HasWildcards(const std::string& s)
{
    return s.find_first_of("*?") != std::string::npos;
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    if (!d)
        return names;
    while (dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..")
            names.push_back(n);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

int ZABaseArchiver::AddFiles(const std::string& fileMask, uint32_t searchAttr, const std::string& exclusionMask)
{
    return AddOrMove(fileMask, searchAttr, exclusionMask, ProcessOperation::Add);
}

int ZABaseArchiver::MoveFiles(const std::string& fileMask, uint32_t searchAttr, const std::string& exclusionMask)
{
    return AddOrMove(fileMask, searchAttr, exclusionMask, ProcessOperation::Move);
}

int ZABaseArchiver::AddOrMove(const std::string& fileMask, uint32_t searchAttr, const std::string& exclusionMask,
                              ProcessOperation op)
{
    CheckOpen();
    if (spanningMode_ != SpanningMode::None && updateCount_ == 0)
        Raise(err::MultiVolumeChange);
    std::vector<std::string> exclusions;
    if (!exclusionMask.empty())
        exclusions.push_back(Slashes(exclusionMask));
    if (!fileName_.empty() && !inMemory_)
        exclusions.push_back(MakeAbsolute(Slashes(fileName_)));
    if (!pendingCreatePath_.empty())
        exclusions.push_back(pendingCreatePath_);
    lastFailures_.clear();
    addedInRun_ = 0;
    const bool outer = updateCount_ > 0;
    BeginUpdate();
    int written = 0;
    try {
        {
            std::lock_guard<std::recursive_mutex> lock(ArchiveLock());
            const std::string savedBase = currentBaseDir_;
            const std::string base = AbsoluteBase();
            currentBaseDir_ = base;
            try {
                SearchFiles(Slashes(fileMask), exclusions, searchAttr, op);
            } catch (...) {
                currentBaseDir_ = savedBase;
                throw;
            }
            currentBaseDir_ = savedBase;
        }
        const int registered = addedInRun_;
        if (outer) {
            EndUpdate();
            written = registered;
        } else {
            updateCount_ = 1;
            committed_ = true;
            written = CommitUpdate();
        }
    } catch (...) {
        CancelUpdate();
        throw;
    }
    return written;
}

bool ZABaseArchiver::IsExcluded(const std::string& fullPath, const std::vector<std::string>& exclusions) const
{
    for (const auto& ex : exclusions) {
        if (ex.empty())
            continue;
        const std::string mask = ex[0] == '/' ? ex : JoinPath(currentBaseDir_, ex);
        if (fullPath == mask)
            return true;
        if (MatchesWildcard(fullPath, mask, true))
            return true;
        // A bare pattern ("*.bak") also applies to the file name alone.
        if (ex.find('/') == std::string::npos && MatchesWildcard(BareName(fullPath), ex, true))
            return true;
    }
    return false;
}

void ZABaseArchiver::SearchFiles(const std::string& maskIn, const std::vector<std::string>& exclusions,
                                 uint32_t searchAttr, ProcessOperation op)
{
    std::string mask = maskIn;
    if (mask.rfind("./", 0) == 0)
        mask = mask.substr(2);
    const std::string full = mask.empty() || mask[0] != '/' ? JoinPath(currentBaseDir_, mask) : mask;
    std::string folder = ParentFolder(full);
    const std::string pattern = BareName(full);
    folder = NormalizePath(folder, currentBaseDir_);
    if (!HasWildcards(pattern)) {
        const std::string path = NormalizePath(full, currentBaseDir_);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return;
        if (S_ISDIR(st.st_mode)) {
            if ((searchAttr & attr::Directory) && !IsExcluded(path, exclusions))
                RegisterFile(path, true, op);
            return;
        }
        if (S_ISREG(st.st_mode) && !IsExcluded(path, exclusions)) {
            bool confirm = true;
            DoOnConfirmProcessFile(path, op, confirm);
            if (confirm)
                RegisterFile(path, false, op);
        }
        return;
    }
    SearchFolder(folder, pattern, exclusions, searchAttr, op, 0);
}

void ZABaseArchiver::SearchFolder(const std::string& folder, const std::string& pattern,
                                  const std::vector<std::string>& exclusions, uint32_t searchAttr, ProcessOperation op,
                                  int depth)
{
    if (depth > 256)
        return;
    const std::vector<std::string> names = ListFolder(folder);
    const uint32_t fileFilter = searchAttr & ~attr::Directory;
    std::vector<std::string> subfolders;
    for (const auto& n : names) {
        const std::string path = JoinPath(folder, n);
        struct stat lst {};
        if (::lstat(path.c_str(), &lst) != 0)
            continue;
        if (S_ISDIR(lst.st_mode)) {
            subfolders.push_back(n);
            continue;
        }
        struct stat st = lst;
        // Links to regular files are taken as the file; nothing else but regular files.
        if (!S_ISREG(lst.st_mode) && (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)))
            continue;
        if (!MatchesWildcard(n, pattern, true))
            continue;
        const uint32_t a = AttributesFromStat(st, n);
        // The file-system search returns hidden and system files only when
        // asked for; of those, a file is taken when it shares a bit with the filter.
        const bool special = (a & (attr::Hidden | attr::System) & ~fileFilter) != 0;
        const bool passes = !special && ((a & fileFilter) != 0 || (a == 0 && (fileFilter & 0x27) == 0x27));
        if (!passes || IsExcluded(path, exclusions))
            continue;
        bool confirm = true;
        DoOnConfirmProcessFile(path, op, confirm);
        if (confirm)
            RegisterFile(path, false, op, &st);
    }
    if (!(searchAttr & attr::Directory) && !Options.Recurse)
        return;
    for (const auto& n : subfolders) {
        const std::string path = JoinPath(folder, n);
        if (IsExcluded(path, exclusions))
            continue;
        const bool named = MatchesWildcard(n, pattern, true)
                           || (n.find('.') == std::string::npos && MatchesWildcard(n + ".", pattern, true));
        if ((searchAttr & attr::Directory) && named) {
            bool confirm = true;
            DoOnConfirmProcessFile(path, op, confirm);
            if (confirm)
                RegisterFile(path, true, op);
            SearchFolder(path, pattern, exclusions, searchAttr, op, depth + 1);
        } else if (Options.Recurse) {
            SearchFolder(path, pattern, exclusions, searchAttr, op, depth + 1);
        }
    }
}

void ZABaseArchiver::RegisterFile(const std::string& fullPathIn, bool isFolder, ProcessOperation op,
                                  const struct stat* known)
{
    std::string fullPath = fullPathIn;
    while (fullPath.size() > 1 && (fullPath.back() == '/' || fullPath.back() == '.'))
        fullPath.pop_back();
    // Stored name.
    std::string stored;
    switch (Options.StorePath) {
    case StorePathMode::NoPath: stored = BareName(fullPath); break;
    case StorePathMode::RelativePath: {
        const std::string base = currentBaseDir_ == "/" ? "/" : currentBaseDir_ + "/";
        if (fullPath.rfind(base, 0) == 0)
            stored = fullPath.substr(base.size());
        else
            stored = fullPath;
        break;
    }
    case StorePathMode::FullPath:
    case StorePathMode::FullPathWithDrive: stored = fullPath; break;
    }
    while (!stored.empty() && stored[0] == '/')
        stored.erase(0, 1);
    if (isFolder)
        stored += '/';

    struct stat st {};
    if (known)
        st = *known;
    const bool statOk = known || ::stat(fullPath.c_str(), &st) == 0;
    uint32_t attributes = statOk ? AttributesFromStat(st, fullPath) : attr::Archive;
    std::string comment;
    DoOnStoreFile(stored, attributes, comment, fullPath);
    if (stored.empty())
        return;

    DirArray& work = dm_->Dir();
    const int existing = work.Find(stored);
    const uint32_t dos = UnixToDosDateTime(statOk ? int64_t(st.st_mtime) : int64_t(::time(nullptr)));
    DirItem item;
    if (existing >= 0) {
        const DirItem& old = work.Ref(existing);
        const uint32_t oldDos = (uint32_t(old.h.date) << 16) | old.h.time;
        bool replace = false;
        switch (Options.OverwriteMode_) {
        case OverwriteMode::Prompt: {
            std::string dest = old.name;
            bool confirm = false;
            DoOnConfirmOverwrite(fullPath, dest, confirm);
            replace = confirm;
            break;
        }
        case OverwriteMode::Always: replace = true; break;
        case OverwriteMode::Never: replace = false; break;
        case OverwriteMode::IfNewer: replace = dos > oldDos; break;
        case OverwriteMode::IfOlder: replace = dos < oldDos; break;
        }
        if (!replace)
            return;
        item = old;
        item.extra.clear();
        item.operation = op == ProcessOperation::Move ? ProcessOperation::Move : ProcessOperation::UpdateFromFile;
    } else {
        item.operation = op;
        item.isNew = true;
        item.savedIndex = -1;
    }
    item.changed = true;
    item.name = stored;
    item.rawNameValid = false;
    item.sourcePath = isFolder ? fullPath : fullPath;
    item.source.reset();
    item.comment = comment;
    item.h.externalAttr = attributes;
    item.h.time = uint16_t(dos & 0xFFFF);
    item.h.date = uint16_t(dos >> 16);
    item.password = isFolder ? std::string() : password_;
    item.compressionMode = isFolder ? 0 : compressionMode_;
    ChooseCompressionMethod();
    item.h.method = isFolder ? 0 : uint16_t(compressionMethod_ < 0 ? 8 : compressionMethod_);
    for (const auto& m : NoCompressionMasks)
        if (MatchesWildcard(stored, m, true) || MatchesWildcard(BareName(stored), m, true))
            item.h.method = 0;
    item.h.crc = isFolder ? 0 : 0xFFFFFFFFu;
    item.h.compSize = item.h.uncompSize = 0;
    item.compSize = 0;
    item.uncompSize = statOk && !isFolder ? uint64_t(st.st_size) : 0;
    item.h.flags = isFolder ? 2 : (password_.empty() ? 0 : 1);
    item.h.versionMadeBy = item.h.versionNeeded = Options.OEMFileNames ? 20 : 0x0B14;
    item.zip64 = item.uncompSize >= 0xFFFFFFFFull || Zip64Mode == 2;
    item.encryption = EncryptionMethod;
    if (existing >= 0)
        work.Put(existing, item);
    else
        work.Append(item);
    ++addedInRun_;
}

} // namespace hsa::zip
