// Every text the shell prints, written once in the exact form it is printed (printf formats).
#pragma once

namespace volxfer::msg {

inline constexpr char kPrompt[] = "$ ";
inline constexpr char kErrorPrefix[] = "%XFR-E-ERROR: ";
inline constexpr char kInfoPrefix[] = "%XFR-I-INFO: ";
inline constexpr char kNotConnected[] = "Not connected.";
inline constexpr char kTopDirectory[] = "[000000]";
inline constexpr char kUnknownErrorCode[] = "Unknown error code '%d'";
inline constexpr char kNoSystemText[] = "Obtaining error information fails.";

inline constexpr char kVersion[] = "volxfer %s\n";
inline constexpr char kCommandLineUsage[] =
    "Invalid command line\n Usage: volxfer [IMAGE [ro|rw]] | --help | --version";
inline constexpr char kCommandLineHelp[] =
    "Usage: volxfer [IMAGE [ro|rw]]\n"
    "       volxfer --help | --version\n"
    "\n"
    "A shell for Files-11 ODS-2 volumes (disk images or raw disks): list them, move about them and\n"
    "copy files between them and the host. Commands are read from standard input; type help for\n"
    "the list. IMAGE is opened before the first prompt, as 'open IMAGE [ro|rw]' would.\n"
    "When standard input is not a terminal the exit status is 1 if any command printed an error.\n";

inline constexpr char kInvalidCommand[] = "?Invalid command";
inline constexpr char kOpenUsage[] = "Invalid command arguments\n Usage: open <devname> [rw|ro]";
inline constexpr char kModeUsage[] = "Invalid command arguments\n Usage: mode [ascii|bin]";
inline constexpr char kDebugUsage[] = "Invalid command arguments\n Usage: debug [on|off]";
inline constexpr char kInvalidMode[] = "Invalid mode '%s'.\n";
inline constexpr char kInvalidDebugMode[] = "Invalid debug mode '%s'.\n";
inline constexpr char kNoDebugSupport[] = "This version does not contain debug support.\n";
inline constexpr char kAlreadyConnected[] = "Already connected to '%s', use disconnect first.\n";
inline constexpr char kCannotOpenVolume[] = "Cannot open volume '%s'. %s";
inline constexpr char kConnectedReadOnly[] = "Volume '%s' connected for read only access.\n";
inline constexpr char kConnectedReadWrite[] = "Volume '%s' connected for read/write access.\n";
inline constexpr char kDisconnected[] = "Volume '%s' disconnected.\n";
inline constexpr char kNotConnectedLine[] = "Not connected.\n";
inline constexpr char kGoodbye[] = "Goodbye.\n";
inline constexpr char kTypeImage[] = "Type set to I.\n";
inline constexpr char kTypeAscii[] = "Type set to A.\n";
inline constexpr char kTypeImageFixed[] = "Type set to I, fixed-length %u-byte records.\n";
inline constexpr char kTypeImageFormat[] = "Type set to I, %s records.\n";
inline constexpr char kBinUsage[] = "Invalid command arguments\n Usage: bin fixed <LENGTH>";
inline constexpr char kBadRecordLength[] = "Invalid record length '%s' (an even number from 2 to 32766)";

inline constexpr char kHelp[] =
    "Commands available are:\n"
    "  op*en               by*e                q*uit               ex*it\t    \n"
    "  lo                  cl*ose              dis*connect         ls\t    \n"
    "  cd                  cdu*p               mk*dir              pwd\t    \n"
    "  get                 put                 re*cv               vi\t    \n"
    "  sh*ow_dev           show_dev/full       show_def            dir\t    \n"
    "  dir/d*ate           dir/f*ile_id        dir/p*rot           dir/s*ize \n"
    "  del                 delete              asc*ii              bi*n\t    \n"
    "  mo*de               deb*ug              lcd                 h*elp\t    \n"
    "  st*atus             ?\t\t\t          !\t\n"
    "Abbreviations to (*) are allowed\n"
    "\n";

// Listings and the volume display.
// A listing without a word shows the newest version of every name; "*.*;*" typed shows them all.
inline constexpr char kDefaultPattern[] = "*.*";
inline constexpr char kNoFiles[] = "%%DIRECT-W-NOFILES, no files found";
inline constexpr char kPlainText[] = "%s";
inline constexpr char kDirectoryHeader[] = "\nDirectory DKA100:%s\n\n";
inline constexpr char kTotalFiles[] = "\nTotal of %d files.\n";
inline constexpr char kTotalFilesBlocks[] = "\nTotal of %d files, %lu/%lu blocks.\n";
inline constexpr char kDateText[] = "%2d-%s-%04d %02d:%02d:%02d.%02d";
inline constexpr char kNameColumn[] = "%-19s";
inline constexpr char kNameColumnWrap[] = "\n                     ";
inline constexpr char kNameColumnGap[] = "  ";
inline constexpr char kFileIdColumn[] = "(%lu,%u,%u)";
inline constexpr char kSizeColumn[] = "%7lu/%-7lu";
inline constexpr char kLsHeader[] = "Directory %s\n";
inline constexpr char kLsEntry[] = "%s\n\tOwner: [%d,%d]";
inline constexpr char kLsSize[] = "\tSize: %lu (%llu bytes)\tProtection: ";
inline constexpr char kLsCreated[] = "\n\tCreated: ";
inline constexpr char kLsRevised[] = "\tRevised: ";
inline constexpr char kCantList[] = "Can't list directory. %s";
inline constexpr char kLsTotal[] = "Total of %d files\n";
inline constexpr char kCdUsage[] = "Invalid number of parameters\n Usage: cd NAME[[.DIR];VER]|..";
inline constexpr char kCdTooLong[] = "Directory name too long";
inline constexpr char kCantOpenDirectory[] = "Can't open directory '%s'. %s";
inline constexpr char kWorkingDirectory[] = "Working directory is %s\n";
inline constexpr char kPwd[] = "'%s' is current directory.\n";
inline constexpr char kShowDef[] = "  DKA100:%s\n";
inline constexpr char kCannotQueryVolume[] = "Cannot obtain volume info. %s";

inline constexpr char kShowDevHeader[] =
    "\n"
    "Device                 Device           Error    Volume         Free  Trans Mnt\n"
    " Name                  Status           Count     Label        Blocks Count Cnt\n";
inline constexpr char kShowDevMounted[] =
    "DKA100:                Mounted            N/A  %12.12s%10lu   N/A   1\n";
inline constexpr char kShowDevOnline[] =
    "DKA100:                Online             N/A                                  \n";

inline constexpr char kFullDisk[] = "\nDisk        DKA100:, device type   N/A, is online, ";
inline constexpr char kFullMounted[] = "mounted, ";
inline constexpr char kFullFileOriented[] = "file-oriented\n    device, error logging is disabled.\n\n";
inline constexpr char kFullErrorCount[] =
    "    Error count                  N/A    Operations completed                N/A\n";
inline constexpr char kFullOwnerProcess[] =
    "    Owner process        \"F11ODS2XFR\"    Owner UIC                  %12.12s\n";
inline constexpr char kFullProcessId[] =
    "    Owner process ID             N/A    Dev Prot                            N/A\n"
    "    Reference count              N/A    Default buffer size                 512\n";
inline constexpr char kFullTotalBlocks[] =
    "    Total blocks          %10lu    Sectors per track            %10lu\n";
inline constexpr char kFullCylinders[] =
    "    Total cylinders       %10lu    Tracks per cylinder          %10lu\n\n";
inline constexpr char kFullLabel[] =
    "    Volume label      \"%12.12s\"    Relative volume number           %5u\n";
inline constexpr char kFullCluster[] =
    "    Cluster size               %5u    Transaction count                   N/A\n";
inline constexpr char kFullFreeBlocks[] =
    "    Free blocks           %10lu    Maximum files allowed        %10lu\n";
inline constexpr char kFullExtend[] =
    "    Extend quantity            %5u    Mount count                           1\n";
inline constexpr char kFullFixed[] =
    "    Mount status              System    Cache name                          N/A\n"
    "    Extent cache size            N/A    Maximum blocks in extent cache      N/A\n"
    "    File ID cache size           N/A    Blocks currently in extent cache    N/A\n"
    "    Quota cache size             N/A    Maximum buffers in FCP cache        N/A\n";
inline constexpr char kFullVolumeOwner[] = "    Volume owner UIC    %12.12s    Vol Prot    S:,O:,G:,W:\n";
inline constexpr char kFullStatus[] =
    "\n"
    "  Volume Status: subject to mount verification, file high-water marking, write-\n"
    "      back caching disabled.\n"
    "\n";

inline constexpr char kViImage[] = "volume image file is '%s' .\n";
inline constexpr char kViLabel[] = "volume label is '%10s'.\n";
inline constexpr char kViOwner[] = "volume ownername is '%10s'.\n";
inline constexpr char kViSize[] = "volume size is '%d'.\n";
inline constexpr char kViSectors[] = "volume sectors is '%d'.\n";
inline constexpr char kViCylinder[] = "volume cylinder is '%d'.\n";
inline constexpr char kViTracks[] = "volume tracks is '%d'.\n";
inline constexpr char kViRvn[] = "volume rvn is '%d'.\n";
inline constexpr char kViCluster[] = "volume cluster is '%d'.\n";
inline constexpr char kViMaxFiles[] = "volume maxfiles is '%d'.\n";
inline constexpr char kViExtend[] = "volume extend is '%d'.\n";
inline constexpr char kViFreeBlocks[] = "volume freeblocks is '%d'.\n";

// Transfers.
inline constexpr char kTransferUsage[] =
    "Invalid number of parameters\n Usage: get <FILENAME>.<TYPE>[;<VERSION>]";
inline constexpr char kLcdUsage[] = "Invalid number of parameters\n Usage: lcd <DIRNAME>";
inline constexpr char kCantOpenFile[] = "Can't open file '%s'. %s";
inline constexpr char kCantOpenDestination[] = "Can't open destination file '%s'. %s";
inline constexpr char kCantOpenSource[] = "Can't open source file '%s'. %s";
inline constexpr char kCantCreateDestination[] = "Can't create destination file '%s'. %s";
inline constexpr char kCopyingOut[] = "Copying DKA100:%s to '%s' ...\n";
inline constexpr char kCopyingIn[] = "Copying '%s' - %lu bytes to DKA100:%s ...\n";
inline constexpr char kTransferComplete[] = "Transfer complete.\n";
inline constexpr char kErrorReadingSource[] = "Error reading source file '%s'. %s";
inline constexpr char kErrorWritingDestination[] = "Error writing destination file '%s'. %s";
inline constexpr char kVolumeNotMounted[] = "Volume not mounted\n ";
inline constexpr char kExceedsFreeSpace[] = "Source file size (%llu blocks) exceed free space (%lu blocks)";
inline constexpr char kHostNameTooLong[] = "Host file name too long (at most 255 characters before ';')";
inline constexpr char kNotWholeRecords[] =
    "Source file '%s' (%llu bytes) is not a whole number of %u-byte records; nothing was written";
inline constexpr char kSourceTooLarge[] = "Source file '%s' is too large for a Files-11 volume";
inline constexpr char kBadDirectoryPart[] = "Invalid directory in '%s'";
inline constexpr char kHostNameStoredAs[] = "'%s' is stored as '%s'";
inline constexpr char kLcdNotFound[] = "'%s': File not found. %s";
inline constexpr char kLocalDirectory[] = "Local directory now '%s'.\n";

// Making directories and deleting files.
inline constexpr char kMkdirUsage[] =
    "Invalid number of parameters\n Usage: mkdir NAME|[.NAME.NAME...]|[NAME.NAME...]";
inline constexpr char kDirectoryCreated[] = "Directory DKA100:%s created.\n";
inline constexpr char kDirectoryExists[] = "Directory '%s' already exists";
inline constexpr char kCantCreateDirectory[] = "Can't create directory '%s'. %s";
inline constexpr char kBadDirectoryName[] =
    "Invalid directory name '%s' (1 to 39 of the letters A-Z, digits, $, _ and -)";
inline constexpr char kDeleteUsage[] =
    "Invalid number of parameters\n Usage: delete [DIR]NAME.TYPE[;VERSION|;*] ...";
inline constexpr char kDeleted[] = "DKA100:%s%s deleted.\n";
inline constexpr char kCantDelete[] = "Can't delete file '%s'. %s";
inline constexpr char kCantDeleteReserved[] = "Can't delete file '%s'. It is a reserved file of the volume.";
inline constexpr char kCantDeleteNotEmpty[] = "Can't delete directory '%s'. It is not empty.";
inline constexpr char kCantDeleteInUse[] =
    "Can't delete directory '%s'. It is the current directory or one above it.";
// Several files at once (patterns, trees) and the progress of long transfers.
inline constexpr char kSeveralCopied[] = "Total of %d files copied, %llu bytes";
inline constexpr char kSeveralCopiedFailed[] = "Total of %d files copied, %llu bytes; %d failed";
inline constexpr char kCantCreateLocalFolder[] = "Can't create local folder '%s'. %s";
inline constexpr char kSecondNameNotDirectory[] =
    "Several files go into a directory: '%s' names a file (give [DIR] or [.SUB])";
inline constexpr char kNotRegularFile[] = "Not a regular file";
inline constexpr char kProgress[] = "%.1f of %.1f MB (%d%%), %.1f MB/s";

}  // namespace volxfer::msg
