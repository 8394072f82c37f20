// The program's ConstantBlock: every fixed text it hands to the runtime and its libraries,
// and the embedded viewer library, in one contiguous read-only range. The kernel knows the
// range, so values inside it are never freed and are copied before they change.
#pragma once

#include <cstdint>

namespace kv::app {

template <size_t N>
using ConstText = char[N];

// The texts, laid out as one record so that they stay together and in order.
struct ProgramTexts {
    ConstText<sizeof("System32\\shimgvw.dll")> libraryPathTail;
    ConstText<sizeof("Windows照片查看器未找到，准备尝试修复")> repairAnnouncement;
    ConstText<sizeof("修复完毕！")> repairDone;
    ConstText<sizeof("修复失败！请以管理员身份运行！")> repairFailed;
    ConstText<sizeof("D:\\Tavi图片查看器")> installFolder;
    ConstText<sizeof("D:\\Tavi图片查看器\\Tavi图片查看器.exe")> installedProgram;
    ConstText<sizeof("\\")> pathSeparator;
    ConstText<sizeof("安装完毕，请自己修改图片打开方式\r\nD:\\Tavi图片查看器")> installMessage;
    ConstText<sizeof("安装失败！\r\nD:\\Tavi图片查看器")> installFailedMessage;
    ConstText<sizeof("rundll32.exe ")> viewerLauncher;
    ConstText<sizeof("System32\\shimgvw.dll,ImageView_Fullscreen ")> viewerEntry;
    ConstText<sizeof(" - Windows 照片查看器")> viewerTitleSuffix;
    ConstText<sizeof("Photo_Lightweight_Viewer")> viewerClass;
    ConstText<sizeof("Photos_PhotoCanvas")> canvasClass;
    ConstText<sizeof("Photos_NavigationPane")> navigationPaneClass;
    ConstText<sizeof("导航窗格")> navigationPaneTitle;
    ConstText<sizeof("D:\\Tavi图片查看器\\temp")> tempFolder;
    ConstText<sizeof("D:\\Tavi图片查看器\\temp\\")> stagingPrefix;
    ConstText<sizeof(".bmp")> convertedSuffix;
    ConstText<sizeof("D:\\Tavi图片查看器\\Tavi图片查看器.exe \"")> relaunchPrefix;
    ConstText<sizeof("\"")> quote;
    ConstText<sizeof("scripting.FileSystemObject")> scriptingObject;
    ConstText<sizeof("GetFolder")> getFolderMember;
    ConstText<sizeof("Delete")> deleteMember;
    ConstText<sizeof("图片转换失败！")> conversionFailed;
};

extern const ProgramTexts kTexts;

}  // namespace kv::app

// The rest of the block, from embedded_viewer.S: the viewer library as a ByteSet, and the
// markers of the whole block's start and end.
extern "C" const uint8_t kvEmbeddedViewerLibrary[];
extern "C" const char kvConstantBlockStart[];
extern "C" const char kvConstantBlockEnd[];
