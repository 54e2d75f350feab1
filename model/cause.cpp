#include "model/cause.h"

#include "model/error.h"
#include "model/plural.h"

#include <cerrno>
#include <new>

namespace {

thread_local std::string NotedFile;

} // namespace

std::string CauseText(int cause)
{
    switch (cause) {
    case 0:
        return "причина неизвестна";
    case CauseFolderMissing:
        return "папка не существует";
    case CauseNotRegularFile:
        return "это не обычный файл (канал, устройство или сокет)";
    case CauseTooLarge:
        return "файл слишком велик";
    case CauseNoFileName:
        return "не указано имя файла";
    case CauseDiffersAfterWrite:
        return "не совпадает после записи";
    case CauseWriteProtected:
        return "файл защищён от записи";
    case CauseSameAsInput:
        return "это сам исходный файл";
    case ENOSPC:
        return "на диске нет места";
    case EDQUOT:
        return "исчерпана дисковая квота";
    case EACCES:
    case EPERM:
        return "нет прав доступа";
    case EROFS:
        return "диск доступен только для чтения (защищён от записи)";
    case ENOENT:
        return "файл не найден";
    case ENOTDIR:
        return "в пути вместо папки стоит файл";
    case EISDIR:
        return "это папка, а не файл";
    case EFBIG:
        return "файл слишком велик для этого диска";
    case EIO:
        return "ошибка ввода-вывода (диск повреждён или извлечён)";
    case ENXIO:
    case ENODEV:
        return "устройство недоступно (диск извлечён?)";
    case ENAMETOOLONG:
        return "слишком длинное имя файла";
    case ELOOP:
        return "символические ссылки в пути образуют петлю";
    case EMFILE:
    case ENFILE:
        return "открыто слишком много файлов";
    case ENOMEM:
        return "недостаточно памяти";
    case EBUSY:
    case ETXTBSY:
        return "файл занят другой программой";
    case EINVAL:
        return "имя файла недопустимо на этом диске";
    case EEXIST:
        return "файл уже существует";
    case EAGAIN:
        return "файл временно недоступен";
    case ENOTCONN: // a FUSE mount whose program ended, a card reader gone: local as often as not
        return "диск отключён";
    case ESTALE:
    case EHOSTUNREACH:
    case ETIMEDOUT:
        return "сетевой диск недоступен";
    case EXDEV:
        return "файлы на разных дисках";
    case ENOTEMPTY:
        return "папка не пуста";
    case EOPNOTSUPP:
        return "файловая система диска этого не умеет";
    case ENOLCK:
        return "блокировка файлов на этом диске недоступна";
    case EINTR:
        return "операция прервана";
    default:
        // A rare cause: its number at least lets the operator look it up (the system's own texts are English).
        return "системная ошибка " + std::to_string(cause);
    }
}

std::string ReadErrorText(const std::string &path, const std::string &cause)
{
    return "Не удалось прочитать файл " + path + "\n" + cause;
}

std::string ReadErrorText(const std::string &path, int cause)
{
    return ReadErrorText(path, CauseText(cause));
}

std::string WriteErrorText(const std::string &path, int cause)
{
    return "Unable to write to " + path + "\n" + CauseText(cause);
}

std::string TooLargeText(unsigned long long maxBytes)
{
    constexpr unsigned long long MB = 1 << 20;
    const std::string limit = maxBytes % MB == 0 ? std::to_string(maxBytes / MB) + " МБ"
                                                 : CountText(static_cast<int64_t>(maxBytes), "байта", "байт", "байт");
    return CauseText(CauseTooLarge) + " (больше " + limit + ")";
}

void NoteFileInUse(const std::string &path)
{
    NotedFile = path;
}

const std::string &FileInUse()
{
    return NotedFile;
}

void ClearFileInUse()
{
    NotedFile.clear();
}

std::string FailureText(const std::exception &error, const std::string &file)
{
    if (dynamic_cast<const TSigError *>(&error))
        return error.what();
    const std::string where = file.empty() ? std::string() : " при работе с файлом " + file;
    if (dynamic_cast<const std::bad_alloc *>(&error))
        return "Недостаточно памяти" + where + ": команда прервана";
    return "Непредвиденная ошибка" + where + ":\n" + error.what();
}
