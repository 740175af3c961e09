// The setup script: runs after the Install tasks with the four constants set, and leaves
// a note of them in the user's temporary folder, beside the Hook programs' log, so that the
// uninstaller finds nothing in the program folder that it does not know of. (wbSetupDir is
// no guide to it: an elevated setup works in a folder of the system's temporary folder.)
var fso = new ActiveXObject("Scripting.FileSystemObject");
var temp = fso.GetSpecialFolder(2).Path + "\\";
var f = fso.CreateTextFile(temp + "wendlebox-demo-script.txt", true);
f.WriteLine("wbProgDir=" + wbProgDir);
f.WriteLine("wbSetupDir=" + wbSetupDir);
f.WriteLine("wbStartMenuDir=" + wbStartMenuDir);
f.WriteLine("wbGUID=" + wbGUID);
f.Close();
