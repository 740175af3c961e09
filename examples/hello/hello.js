// The setup script: runs after the Install tasks with the four constants set, and leaves
// a note of them in the temporary folder, beside the Hook programs' log, so that the
// uninstaller finds nothing in the program folder that it does not know of.
var fso = new ActiveXObject("Scripting.FileSystemObject");
var temp = wbSetupDir.substr(0, wbSetupDir.length - 1);
temp = temp.substr(0, temp.lastIndexOf("\\") + 1);
var f = fso.CreateTextFile(temp + "wendlebox-demo-script.txt", true);
f.WriteLine("wbProgDir=" + wbProgDir);
f.WriteLine("wbSetupDir=" + wbSetupDir);
f.WriteLine("wbStartMenuDir=" + wbStartMenuDir);
f.WriteLine("wbGUID=" + wbGUID);
f.Close();
