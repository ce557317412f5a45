// What a replacing file takes over from the file it replaces, on Linux:
// permission bits, user.* extended attributes and the access ACL (through
// libacl). Never security.* or trusted.*: a security.capability would carry
// powers over onto new content.
#include <acl/libacl.h>
#include <cerrno>
#include <cstring>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "platform/attributes.h"

namespace {

constexpr const char* ACL_ATTRIBUTE = "system.posix_acl_access";
constexpr int ATTRIBUTE_SIZE_MAX = 65536;

char attribute_names[ATTRIBUTE_SIZE_MAX];
char attribute_value[ATTRIBUTE_SIZE_MAX];

// A file system without extended attributes, or without this one.
bool is_missing_attribute(int error_number)
{
    return error_number == ENODATA || error_number == EOPNOTSUPP || error_number == ENOSYS;
}

// FAT, exFAT and other FUSE file systems keep no permission bits, and some
// let only root change them: there the new file keeps the bits it was made with.
bool is_unsupported_mode_change(int error_number)
{
    return error_number == EPERM || error_number == ENOSYS || error_number == EOPNOTSUPP;
}

// An ACL with entries beyond the three that the permission bits stand for,
// or nullptr (with the error number of a failed read, or 0 where it has none).
acl_t get_extended_acl(acl_t acl)
{
    if (acl != nullptr && acl_equiv_mode(acl, nullptr) == 0) {
        acl_free(acl);
        errno = 0;
        return nullptr;
    }
    if (acl == nullptr && is_missing_attribute(errno))
        errno = 0;
    return acl;
}

// With an ACL the group bits of the mode are its mask, which may allow more
// than the owning group has: the group's own entry under the mask is what
// the owning group may really do.
mode_t group_bits_under_mask(acl_t acl)
{
    mode_t group = 0, mask = 7;
    acl_entry_t entry;
    for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t tag;
        acl_permset_t permissions;
        if (acl_get_tag_type(entry, &tag) != 0 || acl_get_permset(entry, &permissions) != 0)
            continue;
        mode_t bits = (acl_get_perm(permissions, ACL_READ) == 1 ? 4 : 0)
                      | (acl_get_perm(permissions, ACL_WRITE) == 1 ? 2 : 0)
                      | (acl_get_perm(permissions, ACL_EXECUTE) == 1 ? 1 : 0);
        if (tag == ACL_GROUP_OBJ)
            group = bits;
        else if (tag == ACL_MASK)
            mask = bits;
    }
    return (group & mask) << 3;
}

// Copies what it can; an attribute that cannot be copied is left out.
void copy_user_attributes(int file, const char* target)
{
    ssize_t length = listxattr(target, attribute_names, sizeof attribute_names);
    for (ssize_t at = 0; at < length; at += static_cast<ssize_t>(std::strlen(attribute_names + at)) + 1) {
        const char* name = attribute_names + at;
        if (std::strncmp(name, "user.", 5) != 0)
            continue;
        ssize_t size = getxattr(target, name, attribute_value, sizeof attribute_value);
        if (size >= 0)
            fsetxattr(file, name, attribute_value, static_cast<size_t>(size), 0);
    }
}

}  // namespace

int give_old_attributes(int file, const char* target)
{
    // An ACL inherited from the folder's default ACL would let in whom the
    // old file kept out. Where it cannot be removed, the new file must have none.
    if (fremovexattr(file, ACL_ATTRIBUTE) != 0 && !is_missing_attribute(errno)) {
        int failure = errno;
        acl_t inherited = get_extended_acl(acl_get_fd(file));
        if (inherited != nullptr || errno != 0) {
            acl_free(inherited);
            errno = failure;
            return -1;
        }
    }
    struct stat status;
    mode_t bits;
    acl_t old_acl = nullptr;
    bool target_exists = stat(target, &status) == 0;
    if (target_exists) {
        bits = status.st_mode & 0777;  // never set-user-ID, set-group-ID or sticky
        old_acl = get_extended_acl(acl_get_file(target, ACL_TYPE_ACCESS));
        if (old_acl != nullptr)
            bits = (bits & ~static_cast<mode_t>(070)) | group_bits_under_mask(old_acl);
        else if (errno != 0)
            bits &= ~static_cast<mode_t>(070);  // an ACL that cannot be read: the group gets nothing
    } else if (errno == ENOENT) {
        mode_t mask = umask(0);
        umask(mask);
        bits = 0666 & ~mask;  // a new name: the usual bits of a new file
    } else {
        return -1;
    }
    if (fchmod(file, bits) != 0 && !is_unsupported_mode_change(errno)) {
        acl_free(old_acl);
        return -1;
    }
    if (!target_exists)
        return 0;
    copy_user_attributes(file, target);
    // Where the ACL cannot be set, the bits above stand: the owning group
    // has no more than it had, and named users and groups lose their entries.
    if (old_acl != nullptr) {
        acl_set_fd(file, old_acl);
        acl_free(old_acl);
    }
    return 0;
}
