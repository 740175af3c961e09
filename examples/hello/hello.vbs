' The setup script: runs after the Install tasks with the four constants set, and leaves
' a note of them in the temporary folder, beside the Hook programs' log, so that the
' uninstaller finds nothing in the program folder that it does not know of.
Dim fso, f, temp
Set fso = CreateObject("Scripting.FileSystemObject")
temp = Left(wbSetupDir, Len(wbSetupDir) - 1)
temp = Left(temp, InStrRev(temp, "\"))
Set f = fso.CreateTextFile(temp & "wendlebox-demo-script.txt", True)
f.WriteLine "wbProgDir=" & wbProgDir
f.WriteLine "wbSetupDir=" & wbSetupDir
f.WriteLine "wbStartMenuDir=" & wbStartMenuDir
f.WriteLine "wbGUID=" & wbGUID
f.Close
