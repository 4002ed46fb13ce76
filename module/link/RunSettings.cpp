#include "RunSettings.h"

#include "CaptionSet.h"

namespace veltra {

RunTexts RunTextsFrom(const CaptionSet& captions)
{
    RunTexts texts;
    const auto text = [&captions](const char* key) { return captions.Text("FW_MSG", key); };
    texts.timeOut = text("MSG_COMM0");
    texts.checkSum = text("MSG_COMM7");
    texts.verificationFail = text("MSG_COMM8");
    texts.wrongReply = text("MSG_COMM9");
    texts.loadRomFirst = text("MSG_ROM0");
    texts.downloaderCaption = text("MSG_CAPTION1");
    texts.uploadCaption = text("MSG_CAPTION2");
    texts.downloadCaption = text("MSG_CAPTION3");
    texts.romCaption = text("MSG_CAPTION4");
    texts.testCaption = text("MSG_CAPTION6");
    texts.cannotOpen = text("MSG_COMM2");
    texts.selectPort = text("MSG_COMM4");
    texts.selectPorts = text("MSG_COMM5");
    texts.onlyOneScale = text("MSG_COMM6");
    texts.noParameter = text("MSG_PARAM0");
    texts.checkParameter = text("MSG_PARAM1");
    texts.testPassed = text("MSG_STATUS7");
    texts.testFailed = text("MSG_STATUS8");
    texts.initialEraseOk = text("MSG_ROM2");
    texts.releaseCalMode = text("MSG_ROM3");
    return texts;
}

}  // namespace veltra
