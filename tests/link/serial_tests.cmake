velnor_add_test(tst_portsettings SOURCES tst_portsettings.cpp
    LIBS velnor_link velnor_settings velnor_test_headers)
velnor_add_test(tst_qtserialport SOURCES tst_qtserialport.cpp LIBS velnor_link velnor_test_pty)
