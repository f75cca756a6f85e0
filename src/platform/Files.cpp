#include "platform/Files.h"

#include "common/Error.h"

#include <string>

namespace tobrix {

namespace {

constexpr std::string_view kMsgOnlyCopyLeft =
    sjis<u8"ファイル %s を置き換える途中で、元のファイルがなくなりました。"
         u8"\r\n新しい内容は %s だけに残っています。このファイルの名前を元の名前に変えてください。">();

} // namespace

bool WriteBeside(Files& files, const FilePath& path, const std::function<void(WritableFile&)>& write) {
    // A link stays a link: the file it leads to is the one replaced.
    const FilePath target = files.FinalPath(path);
    FilePath tempPath;
    std::unique_ptr<WritableFile> file = files.CreateTemp(target, tempPath);
    if (!file)
        return false;
    write(*file);
    file.reset();
    switch (files.Replace(tempPath, target)) {
    case Replacement::Done: return true;
    case Replacement::Refused: break;
    case Replacement::TargetLost:
        throw AppError(Substitute(kMsgOnlyCopyLeft, {files.DisplayName(target), files.DisplayName(tempPath)}));
    }
    files.Remove(tempPath); // kept by its commit, and ours alone
    return false;
}

void WriteBesideOrInPlace(Files& files, const FilePath& path, std::uint64_t length,
                          const std::function<void(WritableFile&)>& write, std::string_view shownName) {
    if (WriteBeside(files, path, write))
        return;
    std::unique_ptr<WritableFile> file;
    if (files.IsFile(path)) {
        InPlaceFile inPlace = files.Overwrite(path, length);
        if (inPlace.noRoom)
            throw AppError(std::string(kMsgWriteError));
        file = std::move(inPlace.file);
    } else {
        file = files.CreateNew(path).file;
    }
    if (!file)
        throw AppError(Substitute(kMsgCannotCreate, shownName));
    write(*file);
}

void WriteAndCommit(WritableFile& file, std::string_view bytes) {
    WriteAll(file, bytes.data(), bytes.size());
    if (!file.Commit())
        throw AppError(std::string(kMsgWriteError));
}

FilePath ChangeFileExt(const FilePath& path, std::string_view extension) {
    FilePath out = path;
    out.replace_extension(FilePath(std::string(extension)));
    return out;
}

} // namespace tobrix
