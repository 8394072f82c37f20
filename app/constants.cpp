#include "app/constants.h"

namespace kv::app {

// First part of the constant block (the .rdata$kv_const_* parts are placed in name order).
__attribute__((section(".rdata$kv_const_1"))) extern const ProgramTexts kTexts = {
    "System32\\shimgvw.dll",
    "Windows照片查看器未找到，准备尝试修复",
    "修复完毕！",
    "修复失败！请以管理员身份运行！",
    "D:\\Tavi图片查看器",
    "D:\\Tavi图片查看器\\Tavi图片查看器.exe",
    "\\",
    "安装完毕，请自己修改图片打开方式\r\nD:\\Tavi图片查看器",
    "安装失败！\r\nD:\\Tavi图片查看器",
    "rundll32.exe ",
    "System32\\shimgvw.dll,ImageView_Fullscreen ",
    " - Windows 照片查看器",
    "Photo_Lightweight_Viewer",
    "Photos_PhotoCanvas",
    "Photos_NavigationPane",
    "导航窗格",
    "D:\\Tavi图片查看器\\temp",
    "D:\\Tavi图片查看器\\temp\\",
    ".bmp",
    // The converted file's path is quoted: a blank in it must not split the argument.
    "D:\\Tavi图片查看器\\Tavi图片查看器.exe \"",
    "\"",
    "scripting.FileSystemObject",
    "GetFolder",
    "Delete",
    "图片转换失败！",
};

}  // namespace kv::app
