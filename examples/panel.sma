/*$$panel:Global$$*/

/*$$panel:Motor panel$$*/
/* Shows motor.gui (next to this file) and answers its controls until
   Break (F4). Create / Edit GUI... opens the panel in the editor. */
loadgui(0;'motor.gui'),
panelname(0;'Motor'),
while(waitguievent(0);
 if(haschanged(0;1); setproperty(0;2;0;string(getproperty(0;1;0))+' %');0),
 if(haschanged(0;3); println('Start at '+string(getproperty(0;1;0))+' %');0),
 if(haschanged(0;4); println(if(getproperty(0;4;1);'Heater on';'Heater off'));0),
 if(haschanged(0;5); println('Name: '+getproperty(0;5;0));0)
)
