# Tests of the Qt backend.
