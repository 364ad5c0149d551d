// Reads the resources of a built lilange.exe back through the Windows loader, the way the
// shell and the program itself see them.
//
//   resource_test [gtest options] PATH\TO\lilange.exe
//
// The executable is mapped as data, so a 32-bit program can be checked from this 64-bit test.
#include <windows.h>

#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr WORD kChineseSimplified = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
constexpr WORD kIconId = 3;
constexpr wchar_t kIconGroup[] = L"DEFAULT_ICON";
// 栎岚阁, spelled as code points so the check does not depend on the compiler's charsets.
const std::wstring kName = L"\u680E\u5C9A\u9601";

std::wstring g_program;

std::string utf8(std::wstring_view text) {
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

// Resource names as text: "#3" for a number, the string itself otherwise.
std::wstring name_text(LPCWSTR name) {
    if (IS_INTRESOURCE(name)) {
        return L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name));
    }
    return name;
}

std::vector<std::wstring> names_of(HMODULE module, LPCWSTR type) {
    std::vector<std::wstring> out;
    EnumResourceNamesW(
        module, type,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
            reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(name_text(name));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&out));
    return out;
}

std::vector<WORD> languages_of(HMODULE module, LPCWSTR type, LPCWSTR name) {
    std::vector<WORD> out;
    EnumResourceLanguagesW(
        module, type, name,
        [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) -> BOOL {
            reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&out));
    return out;
}

std::optional<std::string_view> resource_bytes(HMODULE module, LPCWSTR type, LPCWSTR name,
                                               WORD language) {
    HRSRC found = FindResourceExW(module, type, name, language);
    if (found == nullptr) {
        return std::nullopt;
    }
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
        return std::nullopt;
    }
    return std::string_view(static_cast<const char*>(data), SizeofResource(module, found));
}

template <typename T>
T read_at(std::string_view bytes, size_t offset) {
    T value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// One block of a VS_VERSIONINFO tree: header, key, value and children, each DWORD-aligned.
struct VersionBlock {
    std::wstring key;
    WORD type = 0;  // 1: text value, 0: binary value
    std::string_view value;
    std::vector<VersionBlock> children;

    std::wstring text() const {
        std::wstring out(value.size() / 2, L'\0');
        std::memcpy(out.data(), value.data(), out.size() * 2);
        return out.substr(0, out.find(L'\0'));
    }
    bool text_terminated() const { return text().size() * 2 < value.size(); }
};

size_t align4(size_t offset) { return (offset + 3) & ~size_t{3}; }

// Parses the block at `offset` of `data` (offsets relative to the resource start, which is
// DWORD-aligned); nullopt when a length points outside its parent.
std::optional<VersionBlock> parse_block(std::string_view data, size_t offset, size_t end) {
    if (offset + 6 > end) {
        return std::nullopt;
    }
    const size_t length = read_at<WORD>(data, offset);
    const size_t value_length = read_at<WORD>(data, offset + 2);
    VersionBlock block;
    block.type = read_at<WORD>(data, offset + 4);
    const size_t block_end = offset + length;
    if (length < 6 || block_end > end) {
        return std::nullopt;
    }
    size_t pos = offset + 6;
    for (;;) {
        if (pos + 2 > block_end) {
            return std::nullopt;
        }
        const auto c = static_cast<wchar_t>(read_at<WORD>(data, pos));
        pos += 2;
        if (c == L'\0') {
            break;
        }
        block.key.push_back(c);
    }
    pos = align4(pos);
    const size_t value_bytes = block.type == 1 ? value_length * 2 : value_length;
    if (pos + value_bytes > block_end) {
        return std::nullopt;
    }
    block.value = data.substr(pos, value_bytes);
    pos = align4(pos + value_bytes);
    while (pos < block_end) {
        auto child = parse_block(data, pos, block_end);
        if (!child) {
            return std::nullopt;
        }
        pos = align4(pos + read_at<WORD>(data, pos));
        block.children.push_back(std::move(*child));
    }
    return block;
}

const VersionBlock* child_named(const VersionBlock& parent, std::wstring_view key) {
    for (const auto& child : parent.children) {
        if (child.key == key) {
            return &child;
        }
    }
    return nullptr;
}

// The Machine field of the file's PE header.
std::optional<WORD> file_machine(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string head(4096, '\0');
    DWORD got = 0;
    const BOOL ok = ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &got, nullptr);
    CloseHandle(file);
    head.resize(ok ? got : 0);
    if (head.size() < sizeof(IMAGE_DOS_HEADER)) {
        return std::nullopt;
    }
    const auto nt = static_cast<size_t>(read_at<IMAGE_DOS_HEADER>(head, 0).e_lfanew);
    if (nt + 6 > head.size() || read_at<DWORD>(head, nt) != IMAGE_NT_SIGNATURE) {
        return std::nullopt;
    }
    return read_at<WORD>(head, nt + 4);
}

#if defined(__x86_64__)
constexpr WORD kOwnMachine = IMAGE_FILE_MACHINE_AMD64;
#else
constexpr WORD kOwnMachine = IMAGE_FILE_MACHINE_I386;
#endif

class ProgramResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = LoadLibraryExW(g_program.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        load_error_ = GetLastError();
        machine_ = file_machine(g_program);
    }
    static void TearDownTestSuite() {
        if (module_ != nullptr) {
            FreeLibrary(module_);
            module_ = nullptr;
        }
    }
    void SetUp() override {
        ASSERT_NE(module_, nullptr) << "cannot map " << utf8(g_program) << " as data (error "
                                    << load_error_ << ")";
        ASSERT_TRUE(machine_ == IMAGE_FILE_MACHINE_I386 || machine_ == IMAGE_FILE_MACHINE_AMD64)
            << "not an x86 or x64 PE file";
    }

    static std::string manifest_architecture() {
        return machine_ == IMAGE_FILE_MACHINE_AMD64 ? "amd64" : "x86";
    }

    static VersionBlock version_root() {
        auto bytes = resource_bytes(module_, RT_VERSION, MAKEINTRESOURCEW(1), kChineseSimplified);
        EXPECT_TRUE(bytes.has_value()) << "no version resource 1 in language 2052";
        auto root = bytes ? parse_block(*bytes, 0, bytes->size()) : std::nullopt;
        EXPECT_TRUE(root.has_value()) << "malformed VS_VERSIONINFO";
        return root.value_or(VersionBlock{});
    }

    static HMODULE module_;
    static DWORD load_error_;
    static std::optional<WORD> machine_;
};

HMODULE ProgramResources::module_ = nullptr;
DWORD ProgramResources::load_error_ = 0;
std::optional<WORD> ProgramResources::machine_;

TEST_F(ProgramResources, VersionExistsOnlyInSimplifiedChinese) {
    EXPECT_EQ(names_of(module_, RT_VERSION), std::vector<std::wstring>{L"#1"});
    EXPECT_EQ(languages_of(module_, RT_VERSION, MAKEINTRESOURCEW(1)),
              std::vector<WORD>{kChineseSimplified});
}

TEST_F(ProgramResources, VersionFixedPart) {
    const VersionBlock root = version_root();
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    EXPECT_EQ(root.type, 0);
    ASSERT_EQ(root.value.size(), sizeof(VS_FIXEDFILEINFO));
    const auto fixed = read_at<VS_FIXEDFILEINFO>(root.value, 0);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwStrucVersion, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0u);
    EXPECT_EQ(fixed.dwFileFlags, 0u);
    EXPECT_EQ(fixed.dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(ProgramResources, VersionStringsInOrder) {
    const VersionBlock root = version_root();
    const VersionBlock* strings = child_named(root, L"StringFileInfo");
    ASSERT_NE(strings, nullptr);
    ASSERT_EQ(strings->children.size(), 1u);
    const VersionBlock& table = strings->children.front();
    EXPECT_EQ(table.key, L"080404B0");

    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"FileVersion", L"1.0.0.0"},  {L"FileDescription", kName}, {L"ProductName", kName},
        {L"ProductVersion", L"1.0.0.0"}, {L"CompanyName", kName},   {L"LegalCopyright", kName},
        {L"Comments", kName},
    };
    ASSERT_EQ(table.children.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const VersionBlock& entry = table.children[i];
        SCOPED_TRACE(utf8(expected[i].first));
        EXPECT_EQ(entry.key, expected[i].first);
        EXPECT_EQ(entry.type, 1) << "value not stored as text";
        EXPECT_EQ(entry.text(), expected[i].second);
        EXPECT_TRUE(entry.text_terminated());
    }
}

TEST_F(ProgramResources, VersionTranslation) {
    const VersionBlock root = version_root();
    const VersionBlock* var = child_named(root, L"VarFileInfo");
    ASSERT_NE(var, nullptr);
    ASSERT_EQ(var->children.size(), 1u);
    const VersionBlock& translation = var->children.front();
    EXPECT_EQ(translation.key, L"Translation");
    ASSERT_EQ(translation.value.size(), 4u);
    EXPECT_EQ(read_at<WORD>(translation.value, 0), 0x0804);
    EXPECT_EQ(read_at<WORD>(translation.value, 2), 0x04B0);
}

// What the shell's file properties show: the same strings through the system's version API.
TEST_F(ProgramResources, VersionApiFindsTheStrings) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(g_program.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "error " << GetLastError();
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(g_program.c_str(), 0, size, info.data()));
    for (const wchar_t* key : {L"FileDescription", L"ProductName", L"CompanyName",
                               L"LegalCopyright", L"Comments"}) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\080404B0\\") + key;
        void* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), query.c_str(), &value, &length)) << utf8(key);
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value)), kName) << utf8(key);
    }
}

TEST_F(ProgramResources, IconGroupHasOneImage) {
    EXPECT_EQ(names_of(module_, RT_GROUP_ICON), std::vector<std::wstring>{kIconGroup});
    EXPECT_EQ(languages_of(module_, RT_GROUP_ICON, kIconGroup), std::vector<WORD>{kNeutral});
    auto group = resource_bytes(module_, RT_GROUP_ICON, kIconGroup, kNeutral);
    ASSERT_TRUE(group.has_value()) << "no language-neutral group DEFAULT_ICON";
    // GRPICONDIR (3 WORDs) and one 14-byte GRPICONDIRENTRY.
    ASSERT_EQ(group->size(), 20u);
    EXPECT_EQ(read_at<WORD>(*group, 0), 0);  // reserved
    EXPECT_EQ(read_at<WORD>(*group, 2), 1);  // icons, not cursors
    EXPECT_EQ(read_at<WORD>(*group, 4), 1);  // one image
    EXPECT_EQ(read_at<BYTE>(*group, 6), 32);  // width
    EXPECT_EQ(read_at<BYTE>(*group, 7), 32);  // height
    EXPECT_EQ(read_at<BYTE>(*group, 8), 0);   // not a palette image
    EXPECT_EQ(read_at<WORD>(*group, 10), 1);  // planes
    EXPECT_EQ(read_at<WORD>(*group, 12), 32);  // bits per pixel
    EXPECT_EQ(read_at<WORD>(*group, 18), kIconId);
    auto image = resource_bytes(module_, RT_ICON, MAKEINTRESOURCEW(kIconId), kNeutral);
    ASSERT_TRUE(image.has_value()) << "the group's image is not there";
    EXPECT_EQ(read_at<DWORD>(*group, 14), image->size());
}

TEST_F(ProgramResources, IconImageHasRealAlpha) {
    EXPECT_EQ(names_of(module_, RT_ICON), std::vector<std::wstring>{L"#3"});
    EXPECT_EQ(languages_of(module_, RT_ICON, MAKEINTRESOURCEW(kIconId)),
              std::vector<WORD>{kNeutral});
    auto image = resource_bytes(module_, RT_ICON, MAKEINTRESOURCEW(kIconId), kNeutral);
    ASSERT_TRUE(image.has_value());
    constexpr size_t side = 32;
    constexpr size_t mask_stride = 4;  // one bit a pixel, rows padded to a DWORD
    ASSERT_EQ(image->size(), sizeof(BITMAPINFOHEADER) + side * side * 4 + side * mask_stride);
    const auto header = read_at<BITMAPINFOHEADER>(*image, 0);
    EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(header.biWidth, 32);
    EXPECT_EQ(header.biHeight, 64);  // colour and mask together
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 32);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));

    const auto byte_at = [&](size_t offset) { return static_cast<unsigned char>((*image)[offset]); };
    const size_t pixels_start = sizeof(BITMAPINFOHEADER);
    const size_t mask_start = pixels_start + side * side * 4;
    size_t clear = 0, solid = 0, soft = 0, mask_disagrees = 0;
    for (size_t y = 0; y < side; ++y) {
        for (size_t x = 0; x < side; ++x) {
            const unsigned alpha = byte_at(pixels_start + (y * side + x) * 4 + 3);
            const unsigned mask_byte = byte_at(mask_start + y * mask_stride + x / 8);
            const bool masked = (mask_byte & (0x80u >> (x % 8))) != 0;
            clear += alpha == 0;
            solid += alpha == 255;
            soft += alpha != 0 && alpha != 255;
            mask_disagrees += masked != (alpha == 0);
        }
    }
    EXPECT_GT(clear, 0u) << "no transparent pixel: the corners should be clear";
    EXPECT_GT(solid, side * side / 2) << "the picture should be mostly opaque";
    EXPECT_GT(soft, 0u) << "no partly transparent pixel: edges are not smoothed";
    EXPECT_EQ(mask_disagrees, 0u) << "AND mask does not match the alpha channel";
}

TEST_F(ProgramResources, IconLoadsAtLargeAndSmallSize) {
    for (const int size : {32, 16}) {
        SCOPED_TRACE(size);
        auto icon = static_cast<HICON>(LoadImageW(module_, kIconGroup, IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << "error " << GetLastError();
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        EXPECT_NE(info.hbmColor, nullptr);
        if (info.hbmColor != nullptr) {
            GetObjectW(info.hbmColor, sizeof colour, &colour);
            DeleteObject(info.hbmColor);
        }
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
        EXPECT_EQ(colour.bmWidth, size);
        EXPECT_EQ(colour.bmHeight, size);
    }
}

// The attributes of each <assemblyIdentity .../> in the order they appear.
std::vector<std::map<std::string, std::string>> identities(std::string_view xml) {
    static const std::regex element(R"(<assemblyIdentity\b([^>]*)/>)");
    static const std::regex attribute(R"re(([A-Za-z]+)\s*=\s*"([^"]*)")re");
    std::vector<std::map<std::string, std::string>> out;
    const std::string text(xml);
    for (std::sregex_iterator it(text.begin(), text.end(), element), end; it != end; ++it) {
        const std::string attributes = (*it)[1].str();
        auto& fields = out.emplace_back();
        for (std::sregex_iterator at(attributes.begin(), attributes.end(), attribute); at != end;
             ++at) {
            fields[(*at)[1].str()] = (*at)[2].str();
        }
    }
    return out;
}

TEST_F(ProgramResources, ManifestNamesCommonControlsForItsArchitecture) {
    EXPECT_EQ(names_of(module_, RT_MANIFEST), std::vector<std::wstring>{L"#1"});
    EXPECT_EQ(languages_of(module_, RT_MANIFEST, MAKEINTRESOURCEW(1)),
              std::vector<WORD>{kNeutral});
    auto manifest = resource_bytes(module_, RT_MANIFEST, MAKEINTRESOURCEW(1), kNeutral);
    ASSERT_TRUE(manifest.has_value()) << "no language-neutral manifest 1";
    const std::string arch = manifest_architecture();

    const auto found = identities(*manifest);
    ASSERT_EQ(found.size(), 2u) << *manifest;
    const auto field = [&own = found[0]](const std::string& key) {
        const auto it = own.find(key);
        return it == own.end() ? std::string() : it->second;
    };
    EXPECT_FALSE(field("name").empty());
    EXPECT_EQ(field("type"), "win32");
    EXPECT_TRUE(std::regex_match(field("version"), std::regex(R"(\d+\.\d+\.\d+\.\d+)")))
        << field("version");
    EXPECT_EQ(field("processorArchitecture"), arch);

    const std::map<std::string, std::string> common_controls = {
        {"type", "win32"},
        {"name", "Microsoft.Windows.Common-Controls"},
        {"version", "6.0.0.0"},
        {"processorArchitecture", arch},
        {"publicKeyToken", "6595b64144ccf1df"},
        {"language", "*"},
    };
    EXPECT_EQ(found[1], common_controls);

    // The second identity is the one dependency, inside <dependency><dependentAssembly>.
    const std::string_view xml = *manifest;
    const size_t dependency = xml.find("<dependency>");
    const size_t dependent = xml.find("<dependentAssembly>");
    const size_t identity = xml.find("Microsoft.Windows.Common-Controls");
    ASSERT_NE(dependency, std::string_view::npos);
    EXPECT_EQ(xml.find("<dependency>", dependency + 1), std::string_view::npos);
    EXPECT_LT(dependency, dependent);
    EXPECT_LT(dependent, identity);
    EXPECT_LT(identity, xml.find("</dependentAssembly>"));
    EXPECT_LT(xml.find("</dependentAssembly>"), xml.find("</dependency>"));
}

// A manifest Windows cannot resolve stops the program before it starts; activating it here
// shows that it parses and really brings in Common Controls 6.
TEST_F(ProgramResources, ManifestActivatesCommonControls6) {
    if (machine_ != kOwnMachine) {
        GTEST_SKIP() << "the program's assemblies are for another architecture than this test";
    }
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = g_program.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(ActivateActCtx(context, &cookie));
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(context);
    ASSERT_NE(comctl, nullptr);
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(comctl, path.data(), MAX_PATH));
    FreeLibrary(comctl);
    std::transform(path.begin(), path.end(), path.begin(), [](wchar_t c) {
        return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    });
    EXPECT_NE(path.find(L"\\winsxs\\"), std::wstring::npos) << utf8(path);
    EXPECT_NE(path.find(L"microsoft.windows.common-controls"), std::wstring::npos) << utf8(path);
}

}  // namespace

int main() {
    // Wide arguments, so a program path in any script reaches the loader unchanged.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: resource_test [gtest options] PROGRAM.exe\n");
        return 2;
    }
    g_program = argv[1];
    LocalFree(argv);
    if (GetFileAttributesW(g_program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "resource_test: %s does not exist\n", utf8(g_program).c_str());
        return 1;
    }
    return RUN_ALL_TESTS();
}
