// The controls of the main window, named as on its form.
#pragma once

#include "platform/gui.h"

enum Control : ControlId {
  列表框1,        // the book list
  上下册_选择框,  // volume: 上册 / 下册
  内容_选择框,    // content kind: 电子课件
  标签1,          // command "预览"
  标签3,          // command "下载" / "停止"
  标签4,          // command "初始化"
  分组框1,        // frames the status line and the preview
  标签2,          // the status line
  图片框1,        // the preview
  标签5,          // the notice line
  图片框2,        // the donation-code image
};
