// The panel functions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "panels/PanelFunctions.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"loadgui",
     MakeFunction<TGUILoader>,
     {"panel,name",
      "This loads the gui file <name> as panel number <panel>. The gui file can be created with the "
      "built-in gui editor or by a different program, as well as by a Ostra Calculator program. If "
      "there has already been loaded a gui with the same panel number, the gui is replaced by the new "
      "file.",
      "loadgui(0;'motor.gui')\n",
      "This shows the panel stored in motor.gui as the first panel and returns -1. A name without a "
      "folder is also looked for next to the macro document; a file that does not exist gives an empty "
      "panel.",
      "panelname"}},
    {"panelname",
     MakeFunction<TPanelName>,
     {"panel,name",
      "Sets the caption of the page of panel number <panel> in the control window to <name>. The "
      "name can be given before or after the panel is loaded with loadgui. The function returns 0.",
      "panelname(0;'Motor'),\n"
      "loadgui(0;'motor.gui')\n",
      "This shows motor.gui on a page named Motor and returns -1, the result of loadgui.",
      "loadgui"}},
    {"setproperty",
     MakeFunction<TSetProperty>,
     {"panel,control,id,val",
      "This sets the property identified by the number <id> of control <control> in panel <panel> to "
      "<val>. The property IDs for the different controls are:\nLabel:\n0: Caption\n1: Alignment (0: "
      "left, 1: middle, 2: right)\nDisplay:\n0: Caption\n1: Alignment (0: left, 1: middle, 2: "
      "right)\nScrollbar:\n0: Current Value\n1: Minimum\n2: Maximum\n3: Page Size\n4: Line "
      "Size\nEdit Object:\n0: Caption\n1: Alignment (0: left, 1: middle, 2: right)\nButton:\n0: "
      "Caption\nCheckbox:\n0: Caption\n1: Checked or unchecked (0: unchecked, otherwise checked)",
      "filewrite('display.gui';'1,1,1,21,6,1,0,0,20'+chr(13)+chr(10)),\n"
      "loadgui(0;'display.gui'),\n"
      "setproperty(0;1;0;'Ready')\n",
      "This writes a panel with one display of ID 1, shows it and writes Ready into the display. It "
      "returns -1, as the property was set.",
      "getproperty"}},
    {"getproperty",
     MakeFunction<TGetProperty>,
     {"panel,control,id",
      "Returns the value of the property identified by the number <id> of control <control> in panel "
      "<panel>: a string for captions and texts, a number for the others. The property numbers are "
      "those of setproperty; in addition a button's property 1 is 1 while the mouse button is held "
      "down on it, and a checkbox's property 1 is -1 when it is checked and 0 when not. The function "
      "returns 0 when there is no such panel, control or property.",
      "filewrite('speed.gui';'2,1,1,6,26,4,0,200,10,1,120,0'+chr(13)+chr(10)),\n"
      "loadgui(0;'speed.gui'),\n"
      "getproperty(0;4;0)/getproperty(0;4;2)\n",
      "This shows a panel with a scrollbar of ID 4 that runs from 0 to 200 and stands at 120, and "
      "returns 0.6, its position as a fraction of its maximum.",
      "setproperty"}},
    {"haschanged",
     MakeFunction<THasChanged>,
     {"panel,control",
      "Returns -1 if the user has operated control <control> of panel <panel> since the last call of "
      "haschanged for it, and 0 otherwise (also when there is no such panel or control). Asking "
      "clears the mark, so a second call without a new operation returns 0.",
      "loadgui(0;'motor.gui'),\n"
      "while(waitguievent(0);\n"
      " if(haschanged(0;1);println('Start pressed');0)\n"
      ")\n",
      "This waits for operations of the panel in motor.gui and writes a line for each press of its "
      "control 1, until the calculation is interrupted.",
      "waitguievent"}},
    {"waitguievent",
     MakeFunction<TWaitGUIEvent>,
     {"timeout",
      "Waits until the user operates a control of a panel loaded by the program, or until <timeout> "
      "milliseconds have passed; a <timeout> of 0 waits without limit. Returns -1 when a control was "
      "operated and 0 after the time-out. All operations since the previous call give one -1; "
      "haschanged then tells which controls were operated. Interrupting the calculation ends the "
      "wait at once.",
      "loadgui(0;'motor.gui'),\n"
      "n=0,\n"
      "while(waitguievent(100)==0 & n<5; n+=1),\n"
      "n\n",
      "This shows the panel in motor.gui and waits for up to half a second: it returns 5 when nobody "
      "operates the panel, else the number of 100 ms periods that passed before.",
      "haschanged"}},
};

}  // namespace

TLibrary PanelLibrary() { return Rows; }

}  // namespace TernioParser
